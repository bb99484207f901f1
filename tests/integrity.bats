#!/usr/bin/env bats
# What tinyxml2 would read wrongly or write back broken is refused, and what
# it reads right is written back with the same meaning.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

@test "stray end tag: content after it is a load failure, code 14" {
    printf '<a/></b><c>kept?</c>' >data.xml
    remember
    run --separate-stderr quillen data.xml
    assert_refused "Error loading file: data.xml. Error code: 14."
}

@test "stray end tag: markup in an internal DTD subset is not silently dropped" {
    printf '<!DOCTYPE doc [\n<!ENTITY e "<b>x</b>">\n]>\n<doc>lots of content</doc>\n' >data.xml
    remember
    run --separate-stderr quillen data.xml
    assert_refused "Error loading file: data.xml. Error code: 14."
}

@test "stray end tag: top-level text before it is refused (its print would not load)" {
    printf 'some text</a>\n' >data.xml
    remember
    run --separate-stderr quillen data.xml
    assert_refused "Error loading file: data.xml. Error code: 14."
}

@test "stray end tag: a lone end tag loses nothing and is saved" {
    printf '</a>\n' >data.xml
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_size_zero data_for.xml
}

# The code, then the file's bytes (as printf reads them).
refused_with() {
    # shellcheck disable=SC2059 # the bytes are given as a format
    printf "$2" >data.xml
    remember
    run --separate-stderr quillen data.xml
    assert_refused "Error loading file: data.xml. Error code: $1."
}

# The file's bytes, then those of the output.
saved_as() {
    # shellcheck disable=SC2059 # the bytes are given as a format
    printf "$1" >data.xml
    # shellcheck disable=SC2059
    printf "$2" >"$BATS_TEST_TMPDIR/expected"
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_content data_for.xml "$BATS_TEST_TMPDIR/expected"
}
saved_unchanged() { saved_as "$1" "$1"; }

# tinyxml2 reads a document type declaration up to its first '>'.
@test "DOCTYPE: an internal subset with declarations is code 12" {
    refused_with 12 '<!DOCTYPE x [ <!ELEMENT x ANY> ]>\n<x/>\n'
}
@test "DOCTYPE: a '>' in a double-quoted literal is code 12" {
    refused_with 12 '<!DOCTYPE x SYSTEM "a>b.dtd">\n<x/>\n'
}
@test "DOCTYPE: a '>' in a single-quoted literal is code 12" {
    refused_with 12 "<!DOCTYPE x PUBLIC '-//A>B//EN' \"x.dtd\">\n<x/>\n"
}
@test "DOCTYPE: a quoted ']' does not close the subset: code 12" {
    refused_with 12 '<!DOCTYPE x [<!ENTITY e "]">]>\n<x>&e;</x>\n'
}
@test "DOCTYPE: a subset holding only a comment is code 12" {
    refused_with 12 '<!DOCTYPE x [<!-- note -->]>\n<x/>\n'
}
@test "DOCTYPE: without a subset, saved as it was" { saved_unchanged '<!DOCTYPE x>\n<x/>\n'; }
@test "DOCTYPE: an empty subset, saved as it was" { saved_unchanged '<!DOCTYPE x []>\n<x/>\n'; }
@test "DOCTYPE: a subset without '>', saved as it was" { saved_unchanged '<!DOCTYPE x [ %%pe; ]>\n<x/>\n'; }
@test "DOCTYPE: public and system identifiers, saved as they were" {
    saved_unchanged '<!DOCTYPE x PUBLIC "-//A//DTD X//EN" "http://example.org/x.dtd">\n<x/>\n'
}
@test "DOCTYPE: quotes and brackets inside literals, saved as they were" {
    saved_unchanged "<!DOCTYPE x SYSTEM 'it\"s[1].dtd'>\n<x/>\n"
}

# tinyxml2 decodes character references to UTF-8 whatever the declaration says.
@test "encoding: ISO-8859-1 with a reference beyond ASCII is code 11" {
    refused_with 11 '<?xml version="1.0" encoding="ISO-8859-1"?>\n<p name="Ren\xe9">caf&#233;</p>\n'
}
@test "encoding: windows-1252 with a hexadecimal reference in an attribute is code 11" {
    refused_with 11 '<?xml version="1.0" encoding="windows-1252"?>\n<p price="&#x20AC;5"/>\n'
}
@test "encoding: us-ascii, single quotes, any case, is code 11" {
    refused_with 11 "<?xml version='1.0' encoding = 'us-ascii' ?>\n<p>&#8364;</p>\n"
}
@test "encoding: a reference inside a comment counts too: code 11" {
    refused_with 11 '<?xml version="1.0" encoding="latin1"?>\n<p><!-- &#233; --></p>\n'
}
@test "encoding: ISO-8859-1 with references to ASCII only is saved byte for byte" {
    saved_as '<?xml version="1.0" encoding="ISO-8859-1"?>\n<p n="\xe9">caf\xe9 &#65;&#x42;</p>\n' \
        '<?xml version="1.0" encoding="ISO-8859-1"?>\n<p n="\xe9">caf\xe9 AB</p>\n'
}
@test "encoding: utf-8 in lower case decodes references" {
    saved_as '<?xml version="1.0" encoding="utf-8"?>\n<p>caf&#233;</p>\n' \
        '<?xml version="1.0" encoding="utf-8"?>\n<p>caf\xc3\xa9</p>\n'
}
@test "encoding: no declaration decodes references to UTF-8" {
    saved_as '<p>&#8364;5</p>\n' '<p>\xe2\x82\xac5</p>\n'
}
@test "encoding: a processing instruction is not the XML declaration" {
    saved_as '<?xml-stylesheet encoding="latin1"?>\n<p>&#233;</p>\n' \
        '<?xml-stylesheet encoding="latin1"?>\n<p>\xc3\xa9</p>\n'
}
