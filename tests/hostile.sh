# Hostile inputs, generated here: each ends in a load error or a documented
# output, never a crash or a hang (the sanitized build checks memory use).

# The outcome of a run that may fail: a load error and nothing written, or a
# saved output.
expect_load_error_or_saved() {
    if [ "$status" -eq 1 ]; then
        grep -Eq "^Error loading file: $1\. Error code: [0-9]+\.\$" ../stderr || fail "stderr: $(head -c 200 ../stderr)"
        expect_stdout ""
        expect_missing "${1%.xml}_for.xml"
    else
        expect_saved "${1%.xml}_for.xml"
    fi
}

TEST "hostile: 100,000 levels of nesting"
awk 'BEGIN { for (i = 0; i < 100000; i++) printf "<x>"; for (i = 0; i < 100000; i++) printf "</x>" }' >deep.xml
remember
quillen deep.xml
expect_refused "Error loading file: deep.xml. Error code: 18."

TEST "hostile: 50 MB attribute value"
{ printf '<a v="'; head -c 50000000 /dev/zero | tr '\0' 'v'; printf '"/>'; } >big.xml
quillen big.xml
expect_saved big_for.xml
size=50000010
[ "$platform" = windows ] && size=50000011 # the line end is CRLF there
[ "$(wc -c <big_for.xml)" -eq $size ] || fail "big_for.xml has $(wc -c <big_for.xml) bytes"

TEST "hostile: random bytes"
for seed in 1 2 3 4 5; do
    awk -v seed=$seed 'BEGIN { srand(seed); for (i = 0; i < 20000; i++) printf "%c", int(rand() * 256) }' >random.xml
    quillen random.xml
    expect_load_error_or_saved random.xml
    rm -f random_for.xml
done

# (Not nul.xml: on Windows that name is the null device.)
TEST "hostile: a NUL byte ends the document"
printf '<a>x</a>\0<b>lost</b>' >zero.xml
quillen zero.xml
expect_saved zero_for.xml
[ "$(tr -d "\r" <zero_for.xml)" = "<a>x</a>" ] || fail "zero_for.xml: $(cat -A zero_for.xml)"

TEST "hostile: a NUL byte inside an element is a load error"
printf '<a>x\0</a>' >zero.xml
remember
quillen zero.xml
expect_refused "Error loading file: zero.xml. Error code: 8."

TEST "hostile: UTF-16 with its byte-order mark is not read"
printf '\xff\xfe<\0a\0/\0>\0' >le.xml
printf '\xfe\xff\0<\0a\0/\0>' >be.xml
remember
quillen le.xml
expect_refused "Error loading file: le.xml. Error code: 15."
quillen be.xml
expect_refused "Error loading file: be.xml. Error code: 8."
