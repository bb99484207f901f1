#!/usr/bin/env bash
# make check-bare: the README's promise on a bare image. Builds a minimal
# Debian 12 with debootstrap (from the archive this system's apt uses),
# installs only git and make in it, clones this repository into it and runs
# the README's two commands there, "make demo" and "make check", with chroot.
# Names the command that failed, with the last lines of its output. Removes
# the image afterwards, also after a failure or an interrupt. Needs root.
#
#   scripts/check-bare.sh [FOLDER]   (default: .bare in the repository)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
image=${1:-$root/.bare}
suite=${BARE_SUITE:-bookworm}

say() { printf 'check-bare: %s\n' "$*" >&2; }
die() { say "$*"; exit 1; }

[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot, mount)"
"$root/scripts/setup.sh" bare
uri=$("$root/scripts/setup.sh" archive-uri "$suite")
[ -n "$uri" ] || die "cannot tell which Debian archive apt uses for $suite"

# The mount points inside the image, in the order they are mounted.
mounts=(proc dev dev/pts dev/shm)

# Unmounts what is mounted in the image, then removes it, but never while
# anything is still mounted there: that would remove the system's files.
cleanup() {
    local point process
    # Programs that the suites left running in it (wineserver).
    for process in /proc/[0-9]*; do
        [ "$(readlink "$process/root" 2>/dev/null)" != "$image" ] || kill -9 "${process#/proc/}" 2>/dev/null || true
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        point=$image/${mounts[i]}
        ! mountpoint -q "$point" || umount "$point" || umount -l "$point" || true
    done
    if findmnt -rn -o TARGET | grep -q "^$image/"; then
        say "left $image in place: something is still mounted in it"
        return
    fi
    rm -rf "$image"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

cleanup
mkdir -p "$image"
log=$(mktemp)
trap 'rm -f "$log"; cleanup' EXIT

# Runs a step, its output in the log; on failure names it and shows the end.
step() {
    local name=$1
    shift
    say "$name"
    local started=$SECONDS
    if ! "$@" >"$log" 2>&1; then
        say "FAILED: $name"
        tail -n 40 "$log" >&2
        exit 1
    fi
    say "$name: done in $((SECONDS - started)) s"
}

# A download from the archive fails now and then: one more try.
bootstrap() {
    debootstrap --variant=minbase "$suite" "$image" "$uri" ||
        { rm -rf "$image" && mkdir -p "$image" && debootstrap --variant=minbase "$suite" "$image" "$uri"; }
}
step "debootstrap --variant=minbase $suite" bootstrap
mount -t proc proc "$image/proc"
mount --bind /dev "$image/dev"
mount --bind /dev/pts "$image/dev/pts"
mount -t tmpfs shm "$image/dev/shm"
# What is committed, as a bundle that git in the image clones.
git -C "$root" bundle create -q "$image/root/quillen.bundle" HEAD
cp /etc/resolv.conf "$image/etc/resolv.conf" 2>/dev/null || true
# The certificate authorities this system adds to Debian's (a network that
# inspects TLS has one): without them npm in the image cannot reach its
# registry. Installing ca-certificates in the image picks them up.
if compgen -G '/usr/local/share/ca-certificates/*.crt' >/dev/null; then
    mkdir -p "$image/usr/local/share/ca-certificates"
    cp /usr/local/share/ca-certificates/*.crt "$image/usr/local/share/ca-certificates/"
fi
# Packages that bring a service (openssh-server) do not start it in here.
printf '#!/bin/sh\nexit 101\n' >"$image/usr/sbin/policy-rc.d"
chmod +x "$image/usr/sbin/policy-rc.d"

in_image() {
    chroot "$image" /usr/bin/env -i HOME=/root TERM=dumb DEBIAN_FRONTEND=noninteractive \
        PATH=/usr/sbin:/usr/bin:/sbin:/bin bash -c "$1"
}
step "apt-get install git make" in_image "apt-get update -qq && apt-get install -y -qq git make"
step "git clone" in_image "git -c advice.detachedHead=false clone -q /root/quillen.bundle /root/quillen"
step "make demo" in_image "cd /root/quillen && make demo"
step "make check" in_image "cd /root/quillen && make check"
say "a bare $suite image with git and make: make demo and make check pass"
