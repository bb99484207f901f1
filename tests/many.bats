#!/usr/bin/env bats
# The recipes for many files (examples/many-files/, shown in doc/many-files.md), run
# for real on a tree of a few dozen files: on this machine with xargs and GNU
# parallel, and over ssh on two machines, which are an ssh server that this
# suite starts on 127.0.0.1. Each must give what quillen gives on each file
# alone, and list the refused files with their codes.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

recipes=$BATS_TEST_DIRNAME/../examples/many-files

# Good and refused files, names with spaces and non-ASCII bytes, nested
# folders, and an output of an earlier run, which is not formatted again.
make_tree() {
    mkdir -p "$1/docs/deeper one" "$1/Ærø" && cd "$1" || return 1
    cp "$data"/roundtrip/*.xml docs/
    cp "$data"/layout/*.xml "docs/deeper one/"
    printf '<a></b>' >"bad one.xml"
    printf '<a/></b><c/>' >$'caf\xe9.xml'
    printf '<a><!-- x</a>' >"Ærø/ünterminated.xml"
    printf '<x>kept</x>' >"Ærø/done_for.xml"
}

# Runs quillen on each file alone, from the tree's root: the outputs, and the
# refused files with their codes, as list-refused.sh prints them ("CODE<tab>PATH").
expect() {
    cd "$1" || return 1
    local file code
    find . -name '*.xml' ! -name '*_for.*' -print0 | while IFS= read -r -d '' file; do
        if ! code=$(command quillen "$file" 2>&1 >/dev/null); then
            code=${code##*code: }
            printf '%s\t%s\n' "${code%.}" "$file"
        fi
    done | LC_ALL=C sort >"$BATS_FILE_TMPDIR/refused"
}

# An ssh server on a free port of 127.0.0.1, with a throwaway host key and
# user key, that host1 and host2 reach through $ssh/config; its sessions find
# this suite's quillen on their PATH. Sets sshFailed to why it cannot start.
start_ssh_server() {
    ssh=$BATS_FILE_TMPDIR/ssh
    mkdir -p "$ssh"
    command -v parallel >/dev/null || { sshFailed="GNU parallel is not installed"; return; }
    [ -x /usr/sbin/sshd ] || { sshFailed="no ssh server (openssh-server) is installed"; return; }
    [ -d /run/sshd ] || mkdir -p /run/sshd 2>/dev/null || { sshFailed="sshd needs /run/sshd"; return; }
    ssh-keygen -q -t ed25519 -N '' -f "$ssh/host_key"
    ssh-keygen -q -t ed25519 -N '' -f "$ssh/user_key"
    local port
    port=$(perl -MIO::Socket::INET -e \
        'print IO::Socket::INET->new(Listen => 1, LocalAddr => "127.0.0.1", LocalPort => 0)->sockport')
    cat >"$ssh/sshd_config" <<EOF
Port $port
ListenAddress 127.0.0.1
HostKey $ssh/host_key
AuthorizedKeysFile $ssh/user_key.pub
PidFile $ssh/sshd.pid
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PermitRootLogin yes
SetEnv PATH=$PATH HOME=$HOME
EOF
    cat >"$ssh/config" <<EOF
Host host1 host2
    HostName 127.0.0.1
    Port $port
    User $(id -un)
    IdentityFile $ssh/user_key
    IdentitiesOnly yes
    StrictHostKeyChecking no
    UserKnownHostsFile /dev/null
    LogLevel ERROR
    BatchMode yes
EOF
    /usr/sbin/sshd -D -f "$ssh/sshd_config" -E "$ssh/sshd.log" 3>&- &
    for _ in $(seq 50); do
        ssh -F "$ssh/config" host1 true 2>/dev/null && return
        sleep 0.1
    done
    sshFailed="the ssh server did not start: $(tail -n1 "$ssh/sshd.log" 2>/dev/null)"
}

setup_file() {
    [ "$platform" != windows ] || return 0
    # The recipes call quillen by name; GNU parallel keeps its state in HOME.
    mkdir -p "$BATS_FILE_TMPDIR/bin" "$BATS_FILE_TMPDIR/home/.parallel"
    printf '#!/bin/sh\nexec %s "$@"\n' "$QUILLEN" >"$BATS_FILE_TMPDIR/bin/quillen"
    chmod +x "$BATS_FILE_TMPDIR/bin/quillen"
    touch "$BATS_FILE_TMPDIR/home/.parallel/will-cite"
    export PATH=$BATS_FILE_TMPDIR/bin:$PATH HOME=$BATS_FILE_TMPDIR/home
    (make_tree "$BATS_FILE_TMPDIR/tree")
    cp -a "$BATS_FILE_TMPDIR/tree" "$BATS_FILE_TMPDIR/expected"
    (expect "$BATS_FILE_TMPDIR/expected")
    sshFailed=""
    start_ssh_server
    export sshFailed PARALLEL_SSH="ssh -F $BATS_FILE_TMPDIR/ssh/config"
}

teardown_file() {
    [ ! -f "$BATS_FILE_TMPDIR/ssh/sshd.pid" ] || kill "$(cat "$BATS_FILE_TMPDIR/ssh/sshd.pid")"
}

# Runs a recipe on a copy of the tree, then checks every file against the
# runs on each file alone (inputs unchanged, outputs the same, nothing else
# left but the logs) and the list of refused files.
recipe_gives_the_same() {
    skip_on_windows "the recipes are POSIX shell"
    cp -a "$BATS_FILE_TMPDIR/tree" tree
    cd tree || return 1
    run sh "$recipes/$1.sh"
    assert_failure # the refused files
    run diff -r -x quillen.joblog -x refused.log "$BATS_FILE_TMPDIR/expected" .
    assert_success
    # The job log's lines name the command, the messages' lines the file.
    sh "$recipes/list-refused.sh" >listed
    LC_ALL=C grep -av $'\tquillen ' listed | LC_ALL=C sort >refused
    assert_files_equal refused "$BATS_FILE_TMPDIR/refused"
    [ ! -f quillen.joblog ] || assert_equal "$(LC_ALL=C grep -ac $'^1\tquillen ' listed)" "$(wc -l <refused)"
}

@test "many files: this machine, every core, with xargs" { recipe_gives_the_same one-machine-xargs; }
@test "many files: this machine, every core, with GNU parallel" { recipe_gives_the_same one-machine; }

@test "many files: two machines over ssh, sharing the folder" {
    [ -z "${sshFailed:-}" ] || skip "$sshFailed"
    HOSTS=host1,host2 recipe_gives_the_same several-machines-shared
    assert_equal "$(cut -f2 quillen.joblog | sed 1d | sort -u | tr '\n' ' ')" "host1 host2 "
}

@test "many files: two machines over ssh, each file copied there and back" {
    [ -z "${sshFailed:-}" ] || skip "$sshFailed"
    HOSTS=host1,host2 recipe_gives_the_same several-machines
    assert_equal "$(cut -f2 quillen.joblog | sed 1d | sort -u | tr '\n' ' ')" "host1 host2 "
}

@test "many files: doc/many-files.md shows the recipes as they are" {
    local script line
    for script in "$recipes"/*.sh; do
        while IFS= read -r line; do
            grep -qxF -- "$line" "$data/../doc/many-files.md" || fail "doc/many-files.md lacks, from $(basename "$script"): $line"
        done < <(grep -vE '^(#|HOSTS=|$)' "$script")
    done
}
