#!/usr/bin/env bats
# Writing the output: failures are reported, and no run, however it ends,
# loses a file or writes one it was not asked to write.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

large_document() {
    awk -v n="$1" 'BEGIN { print "<r>"; for (i = 1; i <= n; i++) printf "<item n=\"%d\">value %d</item>\n", i, i; print "</r>" }'
}

# Nothing is left in the folder but the files named (no temporary file).
assert_only() {
    assert_equal "$(find . -mindepth 1 -printf '%P\n' | sort)" "$(printf '%s\n' "$@" | sort)"
}

posix_only() { skip_on_windows "no such files, links or signals there"; }

# The program runs as an unprivileged user where the tests run as root, so
# that permissions count: from a copy in the shared folder, since the build's
# own folder may be private.
unprivileged() {
    [ "$(id -u)" -eq 0 ] || return 0
    cp "$QUILLEN" "$shared/.program"
    QUILLEN="setpriv --reuid=nobody --regid=nogroup --clear-groups $shared/.program"
    run $QUILLEN
    [ "$status" -eq 1 ] || skip "an unprivileged user cannot run the program here"
}

# A folder that an unprivileged user may enter (the test's own may not be).
shared_folder() {
    shared=$(mktemp -d /tmp/quillen-test.XXXXXX)
    chmod 755 "$shared"
    cd "$shared" || return 1
}
teardown() { [ -z "${shared:-}" ] || rm -rf "$shared"; }

@test "save: an output path that is a directory is code 4" {
    echo "$doc" >data.xml
    mkdir data_for.xml
    remember
    run --separate-stderr quillen data.xml
    assert_refused "Error saving file: data_for.xml. Error code: 4."
}

# Left by runs that were killed (SIGKILL cannot be handled); on Windows the
# temporary names once came from the process id, which Wine gives again.
@test "save: stale temporary files beside the output do not stop a run" {
    echo "$doc" >data.xml
    local c
    for c in {a..z} 1 2 3 4; do echo stale >".data_for.xml.${c}00032"; done
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_equal "$(cat .data_for.xml.* | sort | uniq -c | tr -s ' ')" " 30 stale"
}

@test "save: an existing output is replaced whole, in text mode" {
    printf '<a><b>new</b></a>' >data.xml
    large_document 100 >data_for.xml
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    printf '<a>\n    <b>new</b>\n</a>\n' >"$BATS_TEST_TMPDIR/expected"
    assert_content data_for.xml "$BATS_TEST_TMPDIR/expected"
    assert_only data.xml data_for.xml
}

# Links from the output path to the input: the input is never written.
@test "links: a hard link to the input is replaced, the input kept" {
    posix_only
    large_document 50 >data.xml
    cp data.xml original
    ln data.xml data_for.xml
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_files_equal data.xml original
    assert_files_not_equal data_for.xml original
}

@test "links: a symbolic link to the input is replaced, the input kept" {
    posix_only
    large_document 50 >data.xml
    cp data.xml original
    ln -s data.xml data_for.xml
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_files_equal data.xml original
    assert_link_not_exists data_for.xml
}

@test "links: a write failure leaves the input and a hard link to it intact" {
    posix_only
    large_document 2000 >data.xml
    cp data.xml original
    ln data.xml data_for.xml
    run --separate-stderr with_file_size_limit quillen data.xml
    assert_failure 1
    assert_stderr "Error writing file: data_for.xml. File too large."
    assert_files_equal data.xml original
    assert_files_equal data_for.xml original
    assert_only data.xml data_for.xml original
}

@test "links: a link to another file is replaced, not followed" {
    posix_only
    echo "$doc" >data.xml
    echo "someone else's" >victim
    ln -s victim data_for.xml
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_link_not_exists data_for.xml
    assert_equal "$(cat victim)" "someone else's"
}

@test "links: a dangling link is replaced by the output" {
    posix_only
    echo "$doc" >data.xml
    ln -s nowhere data_for.xml
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_link_not_exists data_for.xml
    assert_only data.xml data_for.xml
}

@test "devices: a link to /dev/null discards the output and stays" {
    posix_only
    echo "$doc" >data.xml
    ln -s /dev/null data_for.xml
    run --separate-stderr quillen data.xml
    assert_success
    assert_output "Formatted XML saved successfully to: data_for.xml"
    assert_symlink_to /dev/null data_for.xml
}

# A full disk: the output path is a link to /dev/full, which is kept.
write_fails() {
    cp data.xml original
    ln -s /dev/full data_for.xml
    run --separate-stderr quillen data.xml
    assert_failure 1
    assert_output ""
    assert_stderr "Error writing file: data_for.xml. No space left on device."
    assert_symlink_to /dev/full data_for.xml
    assert_files_equal data.xml original
}
@test "devices: write failure (small document) to /dev/full: reported, link kept" {
    posix_only
    echo "$doc" >data.xml
    write_fails
}
@test "devices: write failure (large document) to /dev/full: reported, link kept" {
    posix_only
    large_document 5000 >data.xml
    write_fails
}

# 8 KiB at most per file; SIGXFSZ as the caller left it (by default it kills).
with_file_size_limit() { (ulimit -f 8 && "$@"); }

@test "limits: a file-size limit is reported; the previous output stays" {
    posix_only
    large_document 2000 >data.xml
    echo previous >data_for.xml
    run --separate-stderr with_file_size_limit quillen data.xml
    assert_failure 1
    assert_output ""
    assert_stderr "Error writing file: data_for.xml. File too large."
    assert_equal "$(cat data_for.xml)" previous
    assert_only data.xml data_for.xml
}

# Stops the run once its temporary file exists, sends the signal and lets it
# go on: the signal arrives while the output is being written. The signal's
# action is the default one, or another that env sets (--ignore-signal). On
# a loaded machine a run may write its whole output between two looks for
# the temporary file: such a run is not the one wanted, and another starts.
interrupt_while_writing() {
    ulimit -c 0 # no core file from SIGQUIT or SIGXCPU
    local attempt pid
    for attempt in 1 2 3 4 5; do
        echo previous >big_for.xml
        # shellcheck disable=SC2086 # a command with arguments
        env "${2:---default-signal}=$1" $QUILLEN big.xml >/dev/null 2>&1 &
        pid=$!
        until compgen -G '.big_for.xml.*' >/dev/null || ! kill -0 $pid 2>/dev/null; do :; done
        if kill -STOP $pid 2>/dev/null && compgen -G '.big_for.xml.*' >/dev/null; then
            kill -"$1" $pid
            kill -CONT $pid
            wait $pid
            return
        fi
        kill -CONT $pid 2>/dev/null
        wait $pid
    done
    fail "$attempt runs ended before the test saw them write"
}

@test "signals: an interrupted run leaves the previous output and no temporary file" {
    # Every signal that ends the process; Wine turns SIGINT into Ctrl+C, after
    # which the C runtime ends the program with status 3.
    local signals="INT TERM HUP QUIT ALRM XCPU VTALRM PROF USR1 USR2 PIPE RTMIN" signal expected
    [ "$platform" != windows ] || signals=INT
    large_document 400000 >big.xml
    for signal in $signals; do
        echo "signal: $signal"
        echo previous >big_for.xml
        run interrupt_while_writing "$signal"
        expected=$((128 + $(kill -l "$signal")))
        [ "$platform" != windows ] || expected=3
        assert_equal "$status" "$expected"
        assert_equal "$(cat big_for.xml)" previous
        assert_only big.xml big_for.xml
    done
}

# Sends the signal once the run has read its input: it arrives during the
# load, before anything is written.
interrupt_while_loading() {
    local size
    size=$(stat -c %s big.xml)
    # shellcheck disable=SC2086 # a command with arguments
    env --default-signal="$1" $QUILLEN big.xml >stdout 2>stderr &
    local pid=$!
    until [ "$(awk '/^rchar:/ { print $2 }' /proc/$pid/io 2>/dev/null || echo 0)" -ge "$size" ]; do
        if ! kill -0 $pid 2>/dev/null; then
            wait $pid
            fail "the run ended with status $? before it had read its input"
            return
        fi
    done
    kill -"$1" $pid
    wait $pid
}

@test "signals: a run interrupted during the load ends as the signal would, with nothing written" {
    # Wine turns SIGINT into Ctrl+C, after which the C runtime ends the
    # program with status 3, once quillen's handlers are in place.
    local expected
    large_document 1500000 >big.xml
    echo previous >big_for.xml
    run interrupt_while_loading INT
    expected=130
    [ "$platform" != windows ] || expected=3
    assert_equal "$status" "$expected"
    assert_equal "$(cat stdout)" ""
    assert_equal "$(cat big_for.xml)" previous
    rm stdout stderr
    assert_only big.xml big_for.xml
}

@test "signals: a signal that the caller ignores stays ignored" {
    posix_only
    large_document 400000 >big.xml
    echo previous >big_for.xml
    run interrupt_while_writing TERM --ignore-signal
    assert_success
    assert_equal "$(head -n1 big_for.xml)" "<r>"
    assert_only big.xml big_for.xml
}

# Once the output is in place, nothing interrupts the run: a signal that
# arrives during the rename (delayed here, after it has happened) ends in
# the success line and status 0, not in a killed run with a new output. That
# holds for the signals of a fault too when another process sends them.
@test "signals: a signal during the rename: the run completes" {
    posix_only
    command -v strace >/dev/null || skip "strace is not installed"
    strace -o /dev/null true 2>/dev/null || skip "ptrace is not allowed here"
    local signal tracer
    echo "$doc" >data.xml
    for signal in TERM INT HUP SEGV ABRT BUS FPE ILL TRAP SYS; do
        echo "signal: $signal"
        echo previous >data_for.xml
        # LeakSanitizer cannot run under ptrace.
        # shellcheck disable=SC2086 # a command with arguments
        ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 strace -f -o /dev/null -e trace=rename,renameat,renameat2 \
            -e inject=rename,renameat,renameat2:delay_exit=1000000 $QUILLEN data.xml >stdout 2>stderr &
        tracer=$!
        while grep -q previous data_for.xml && kill -0 $tracer 2>/dev/null; do :; done
        pkill -"$signal" -P $tracer
        wait $tracer || fail "the run ended with status $?"
        assert_equal "$(cat stdout stderr)" "Formatted XML saved successfully to: data_for.xml"
        assert_equal "$(head -n1 data_for.xml)" "<root>"
        rm stdout stderr
        assert_only data.xml data_for.xml
    done
}

@test "messages: a success line that cannot be written does not undo the save" {
    posix_only
    echo "$doc" >data.xml
    local way
    for way in closed full pipe; do
        echo "standard output: $way"
        rm -f data_for.xml
        case $way in
        closed) run "$QUILLEN" data.xml >&- ;;
        full) run "$QUILLEN" data.xml >/dev/full ;;
        # A pipe whose reader is gone: SIGPIPE, then EPIPE.
        pipe) run perl -e 'pipe(R, W) or die; close R; open(STDOUT, ">&", \*W) or die;
                           $SIG{PIPE} = "DEFAULT"; exec @ARGV' -- "$QUILLEN" data.xml ;;
        esac
        assert_success
        assert_file_exists data_for.xml
    done
}

@test "permissions: the output keeps the input's read and write bits, within the umask" {
    posix_only
    echo "$doc" >data.xml
    for case in 600:022:600 644:022:644 644:077:600 666:002:664; do
        IFS=: read -r mode mask expected <<<"$case"
        chmod "$mode" data.xml
        rm -f data_for.xml
        run --separate-stderr with_umask "$mask" quillen data.xml
        assert_saved data_for.xml
        assert_equal "$mode/$mask: $(stat -c %a data_for.xml)" "$mode/$mask: $expected"
    done
}
with_umask() { (umask "$1" && shift && "$@"); }

@test "permissions: a read-only folder is code 4 and gets no file" {
    posix_only
    shared_folder
    mkdir ro
    echo "$doc" >ro/data.xml
    echo previous >ro/data_for.xml
    chmod 666 ro/data_for.xml
    chmod 555 ro
    unprivileged
    remember
    run --separate-stderr quillen ro/data.xml
    assert_refused "Error saving file: ro/data_for.xml. Error code: 4."
}

@test "permissions: an output the user may not write is code 4" {
    posix_only
    shared_folder
    chmod 777 .
    echo "$doc" >data.xml
    echo previous >data_for.xml
    chmod 644 data.xml data_for.xml
    unprivileged
    remember
    run --separate-stderr quillen data.xml
    assert_refused "Error saving file: data_for.xml. Error code: 4."
}

@test "inputs: a FIFO is code 5 at once, without waiting for a writer" {
    posix_only
    mkfifo pipe.xml
    remember
    # shellcheck disable=SC2086 # a command with arguments
    run --separate-stderr timeout 10 $QUILLEN pipe.xml
    assert_refused "Error loading file: pipe.xml. Error code: 5."
}

@test "inputs: a device is code 5" {
    posix_only
    run --separate-stderr quillen /dev/null
    assert_failure 1
    assert_stderr "Error loading file: /dev/null. Error code: 5."
}

@test "messages: 1000 runs in parallel write whole lines" {
    posix_only
    # shellcheck disable=SC2086 # a command with arguments
    seq 1000 | xargs -P8 -I{} $QUILLEN missing{}.xml 2>>errors || assert_equal "$?" 123
    assert_equal "$(wc -l <errors)" 1000
    assert_equal "$(tr -d '\r' <errors | grep -Ecv '^Error loading file: missing[0-9]+\.xml\. Error code: 3\.$')" 0
}
