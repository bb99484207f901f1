# Helpers for quillen's command-line test suites, sourced by run.sh.
#
# A suite is a list of TEST "description" blocks. Each block runs in a fresh
# empty directory and checks what one run of quillen did with expect_* calls.
# A failed expectation fails the block; the suite goes on with the next one.

passed=0
failed=0
skipped=0
current=""
currentFailed=0

finish_test() {
    [ -z "$current" ] && return 0
    if [ "$currentFailed" -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
    current=""
}

TEST() {
    finish_test
    current=$1
    currentFailed=0
    before=""
    cd "$scratch" && rm -rf ./* ./.[!.]* 2>/dev/null
    cd "$scratch" || exit 2
}

# Ends the current block as skipped, saying why.
SKIP() {
    echo "SKIP: $current: $1"
    skipped=$((skipped + 1))
    current=""
}

fail() {
    echo "FAIL: $current: $1"
    currentFailed=1
}

# Runs quillen with the given arguments; keeps stdout, stderr and the status.
quillen() {
    $QUILLEN "$@" >"$scratch/../stdout" 2>"$scratch/../stderr"
    status=$?
    if [ "$platform" = windows ]; then
        # The console streams are in text mode there: same text, CRLF line ends.
        sed -i 's/\r$//' "$scratch/../stdout" "$scratch/../stderr"
    fi
    return "$status"
}

expect_status() {
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

# The stream holds exactly the given line, or nothing for "".
expect_stream() {
    local name=$1 expected=$2 actual
    actual=$(cat -A "$scratch/../$name")
    [ -n "$expected" ] && expected=$(printf '%s\n' "$expected" | cat -A)
    [ "$actual" = "$expected" ] || fail "$name was '$actual', expected '$expected'"
}
expect_stdout() { expect_stream stdout "$1"; }
expect_stderr() { expect_stream stderr "$1"; }

# The file holds exactly the bytes of the expected file, whose line feeds
# become CRLF on Windows, where the output is written in text mode.
expect_content() {
    local file=$1 expected=$2
    if [ ! -f "$file" ]; then
        fail "$file was not written"
        return
    fi
    if [ "$platform" = windows ]; then
        perl -pe 's/\n/\r\n/' "$expected" >"$scratch/../expected"
        expected=$scratch/../expected
    fi
    cmp -s "$file" "$expected" || fail "$file differs from $(basename "$expected"): $(cmp "$file" "$expected" 2>&1)"
}

expect_missing() {
    [ ! -e "$1" ] && [ ! -L "$1" ] || fail "$1 exists"
}

# Remembers every file below the directory with its content.
snapshot() { find . \( -type f -o -type l \) -exec md5sum {} + 2>/dev/null | sort; }
remember() { before=$(snapshot); }
expect_unchanged() {
    [ "$(snapshot)" = "$before" ] || fail "files were written, changed or removed"
}

# The run failed with the message given, and left every file as it was.
expect_refused() {
    expect_status 1
    expect_stdout ""
    expect_stderr "$1"
    expect_unchanged
}

# The run saved the output named and said so, and nothing else.
expect_saved() {
    expect_status 0
    expect_stdout "Formatted XML saved successfully to: $1"
    expect_stderr ""
    local path=$1
    [ "$platform" = windows ] && path=${path//\\//}
    [ -f "$path" ] || fail "$1 was not written"
}

# Prints the summary line and returns non-zero if any block failed.
report() {
    finish_test
    echo "$passed passed, $failed failed, $skipped skipped"
    [ "$failed" -eq 0 ] || return 1
    # 77 tells CTest that the whole suite was skipped.
    [ "$passed" -eq 0 ] && [ "$skipped" -gt 0 ] && return 77
    return 0
}
