#!/usr/bin/env bats
# A file too large for memory is reported, not a crash. Its own suite, so that
# CTest shows it as skipped where it cannot run.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

with_memory_limit() { (ulimit -v 300000 && "$@"); }

@test "out of memory: reported, no output" {
    skip_on_windows "needs ulimit -v"
    [ "${QUILLEN_SANITIZED:-0}" != 1 ] || skip "ulimit -v cannot run under AddressSanitizer"
    # A sparse file: large, but it costs no disk space.
    truncate -s 1G huge.xml
    run --separate-stderr with_memory_limit quillen huge.xml
    assert_failure 1
    assert_output ""
    assert_stderr "Error formatting file: huge.xml. Out of memory."
    assert_not_exists huge_for.xml
    assert_file_size_equals huge.xml 1073741824
}
