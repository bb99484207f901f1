# Arguments, messages, exit statuses and load failures.

doc='<root><a x="1">text</a></root>'

TEST "no argument prints the usage line"
remember
quillen
expect_refused "Usage: quillen input_file"

TEST "two arguments print the usage line and open no file"
echo "$doc" >a.xml
echo "$doc" >b.xml
remember
quillen a.xml b.xml
expect_refused "Usage: quillen input_file"

TEST "success writes the _for file and one line on stdout"
echo "$doc" >data.xml
cp data.xml original
quillen data.xml
expect_saved data_for.xml
cmp -s data.xml original || fail "the input was changed"

TEST "a missing file is code 3"
quillen missing.xml
expect_refused "Error loading file: missing.xml. Error code: 3."

TEST "an empty argument is one argument and code 3"
quillen ""
expect_refused "Error loading file: . Error code: 3."

TEST "a directory cannot be loaded"
mkdir dir.xml
remember
quillen dir.xml
expect_status 1
grep -Eq '^Error loading file: dir\.xml\. Error code: (3|5)\.$' ../stderr || fail "stderr: $(cat ../stderr)"
expect_unchanged

# Malformed inputs: file content, then the code the load must report.
while IFS='|' read -r code content; do
    TEST "load failure $code: $content"
    printf "$content" >bad.xml
    remember
    quillen bad.xml
    expect_refused "Error loading file: bad.xml. Error code: $code."
done <<'CASES'
13|
13|  \n\t
13|\xef\xbb\xbf
13| \xef\xbb\xbf
6|<a><b
7|<a x="1" x="2"/>
7|<a x=1/>
8|<a>text
9|<a><![CDATA[x</a>
10|<a><!-- x</a>
11|<a><?xml version="1.0"?></a>
11|<a/><?pi x?>
12|<!DOCTYPE x
14|<a></b>
14|<a>
15|<>
15|<a></>
15|<a><b/>
CASES

TEST "499 levels load when the innermost is empty"
{ for _ in $(seq 498); do printf '<x>'; done; printf '<x/>'; for _ in $(seq 498); do printf '</x>'; done; } >deep.xml
quillen deep.xml
expect_saved deep_for.xml
[ "$(grep -c '<x>' deep_for.xml)" -eq 498 ] || fail "levels lost"

TEST "content at level 499 is beyond the nesting limit: code 18"
{ for _ in $(seq 499); do printf '<x>'; done; for _ in $(seq 499); do printf '</x>'; done; } >deep.xml
remember
quillen deep.xml
expect_refused "Error loading file: deep.xml. Error code: 18."

TEST "an existing output file is replaced"
echo "$doc" >data.xml
echo "old content that is longer than the new output, by quite a lot of bytes" >data_for.xml
quillen data.xml
expect_saved data_for.xml
grep -q old data_for.xml && fail "old content kept"

TEST "a run on an output writes a new file and leaves that output alone"
echo "$doc" >a_for.xml
cp a_for.xml original
quillen a_for.xml
expect_saved a_for_for.xml
cmp -s a_for.xml original || fail "a_for.xml was changed"
