# A file too large for memory is reported, not a crash. Its own suite, so that
# CTest shows it as skipped where it cannot run.

TEST "out of memory: reported, no output"
if [ "$platform" = windows ]; then
    SKIP "needs ulimit -v"
elif [ "${QUILLEN_SANITIZED:-0}" = 1 ]; then
    SKIP "ulimit -v cannot run under AddressSanitizer"
else
    # A sparse file: large, but it costs no disk space.
    truncate -s 1G huge.xml
    (ulimit -v 300000 && quillen huge.xml)
    status=$?
    expect_status 1
    expect_stdout ""
    expect_stderr "Error formatting file: huge.xml. Out of memory."
    expect_missing huge_for.xml
    [ "$(wc -c <huge.xml)" -eq 1073741824 ] || fail "huge.xml changed"
fi
