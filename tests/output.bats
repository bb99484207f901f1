#!/usr/bin/env bats
# Writing the output: failures are reported, and no run loses a file.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

@test "save: an output path that is a directory is code 4" {
    echo "$doc" >data.xml
    mkdir data_for.xml
    remember
    run --separate-stderr quillen data.xml
    assert_refused "Error saving file: data_for.xml. Error code: 4."
}

large_document() {
    echo '<r>'
    for ((i = 1; i <= $1; i++)); do echo "<item n=\"$i\">value $i</item>"; done
    echo '</r>'
}

# Writing to a full disk: the output path is a link to /dev/full.
write_fails() {
    cp data.xml original
    ln -s /dev/full data_for.xml
    run --separate-stderr quillen data.xml
    assert_failure 1
    assert_output ""
    assert_stderr "Error writing file: data_for.xml. No space left on device."
    # Wine cannot delete a link to a device; Windows has no such links.
    [ "$platform" = windows ] || assert_not_exists data_for.xml
    assert_files_equal data.xml original
}
@test "write failure (small document): reported, output removed" {
    echo "$doc" >data.xml
    write_fails
}
@test "write failure (large document): reported, output removed" {
    large_document 5000 >data.xml
    write_fails
}
