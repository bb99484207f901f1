#!/usr/bin/env bats
# Arguments, messages, exit statuses and load failures.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

@test "no argument prints the usage line" {
    remember
    run --separate-stderr quillen
    assert_refused "Usage: quillen input_file"
}

@test "two arguments print the usage line and open no file" {
    echo "$doc" >a.xml
    echo "$doc" >b.xml
    remember
    run --separate-stderr quillen a.xml b.xml
    assert_refused "Usage: quillen input_file"
}

@test "success writes the _for file and one line on stdout" {
    echo "$doc" >data.xml
    cp data.xml original
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_files_equal data.xml original
}

@test "a missing file is code 3" {
    run --separate-stderr quillen missing.xml
    assert_refused "Error loading file: missing.xml. Error code: 3."
}

@test "an empty argument is one argument and code 3" {
    run --separate-stderr quillen ""
    assert_refused "Error loading file: . Error code: 3."
}

@test "a directory cannot be loaded" {
    mkdir dir.xml
    remember
    run --separate-stderr quillen dir.xml
    assert_failure 1
    assert_stderr_regex '^Error loading file: dir\.xml\. Error code: (3|5)\.$'
    assert_unchanged
}

nested() { # LEVELS INNERMOST: LEVELS-1 open elements around INNERMOST
    local i
    for ((i = 1; i < $1; i++)); do printf '<x>'; done
    printf '%s' "$2"
    for ((i = 1; i < $1; i++)); do printf '</x>'; done
}

@test "499 levels load when the innermost is empty" {
    nested 499 '<x/>' >deep.xml
    run --separate-stderr quillen deep.xml
    assert_saved deep_for.xml
    assert_equal "$(grep -c '<x>' deep_for.xml)" 498
}

@test "content at level 499 is beyond the nesting limit: code 18" {
    nested 499 '<x></x>' >deep.xml
    remember
    run --separate-stderr quillen deep.xml
    assert_refused "Error loading file: deep.xml. Error code: 18."
}

@test "an existing output file is replaced" {
    echo "$doc" >data.xml
    echo "old content that is longer than the new output, by quite a lot of bytes" >data_for.xml
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    refute grep -q old data_for.xml
}

@test "a run on an output writes a new file and leaves that output alone" {
    echo "$doc" >a_for.xml
    cp a_for.xml original
    run --separate-stderr quillen a_for.xml
    assert_saved a_for_for.xml
    assert_files_equal a_for.xml original
}
