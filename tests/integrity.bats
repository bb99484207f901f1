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
