# Loaded by every suite. QUILLEN is the command that runs the program under
# test (a sanitized build, or "scripts/wine-run.sh quillen.exe");
# QUILLEN_PLATFORM=windows expects text-mode output files (CR LF line ends).

bats_require_minimum_version 1.5.0
bats_load_library bats-support
bats_load_library bats-assert
bats_load_library bats-file

: "${QUILLEN:?QUILLEN names the program under test}"
platform=${QUILLEN_PLATFORM:-posix}
# shellcheck disable=SC2034 # the suites use these
data=$BATS_TEST_DIRNAME doc='<root><a x="1">text</a></root>'

# Each test runs in an empty folder of its own; the raw streams of the last
# run are kept beside it.
setup() {
    mkdir "$BATS_TEST_TMPDIR/work"
    cd "$BATS_TEST_TMPDIR/work" || return 1
}

# Runs the program: use as `run --separate-stderr quillen ARGS`. The raw
# streams must hold whole lines; on Windows the console writes CR LF.
quillen() {
    local raw=$BATS_TEST_TMPDIR status
    # shellcheck disable=SC2086 # QUILLEN may be a command with arguments
    $QUILLEN "$@" >"$raw/stdout" 2>"$raw/stderr"
    status=$?
    if [ "$platform" = windows ] && [ "$status" -eq 1 ] && [ ! -s "$raw/stdout" ] && [ ! -s "$raw/stderr" ]; then
        # Now and then (twice in some 30 suite runs) Wine ends a run with
        # status 1 before the program has written anything; the program itself
        # never ends without its one line. Such a run is tried once more.
        # shellcheck disable=SC2086
        $QUILLEN "$@" >"$raw/stdout" 2>"$raw/stderr"
        status=$?
    fi
    if [ "$platform" = windows ]; then
        # Wine's own diagnostics (a fault in one of its background services
        # that inherited this stream) are not the program's.
        sed -i 's/\r$//; /^wine: /d' "$raw/stdout" "$raw/stderr"
    fi
    for stream in stdout stderr; do
        if [ -s "$raw/$stream" ] && [ "$(tail -c1 "$raw/$stream" | od -An -c | tr -d ' ')" != '\n' ]; then
            echo "$stream does not end with a line end" >&2
            return 99
        fi
    done
    cat "$raw/stdout"
    cat "$raw/stderr" >&2
    return "$status"
}

# What the last `run --separate-stderr` found on the standard error stream.
# shellcheck disable=SC2154 # run sets stderr
assert_stderr() { assert_equal "$stderr" "$1"; }
assert_stderr_regex() { assert_regex "$stderr" "$1"; }

# Every file below the current folder, with its content.
snapshot() { find . \( -type f -o -type l \) -exec md5sum {} + 2>/dev/null | sort; }
remember() { before=$(snapshot); }
assert_unchanged() {
    [ "$(snapshot)" = "$before" ] || fail "files were written, changed or removed"
}

# The run failed with this one message and left every file as it was
# (call remember before the run).
assert_refused() {
    assert_failure 1
    assert_output ""
    assert_stderr "$1"
    assert_unchanged
}

# The run saved OUTPUT, said so, and said nothing else.
assert_saved() {
    assert_success
    assert_output "Formatted XML saved successfully to: $1"
    assert_stderr ""
    local path=$1
    [ "$platform" = windows ] && path=${path//\\//}
    assert_file_exists "$path"
}

# FILE holds exactly the bytes of EXPECTED, whose line feeds become CR LF on
# Windows, where the output is written in text mode.
assert_content() {
    local file=$1 expected=$2
    if [ "$platform" = windows ]; then
        perl -pe 's/\n/\r\n/' "$expected" >"$BATS_TEST_TMPDIR/expected-crlf"
        expected=$BATS_TEST_TMPDIR/expected-crlf
    fi
    assert_files_equal "$file" "$expected"
}

skip_on_windows() { [ "$platform" != windows ] || skip "$1"; }
