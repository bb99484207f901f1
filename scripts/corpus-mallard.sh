#!/usr/bin/env bash
# Fetches real Mallard documents for tests/mallard-judge.sh: the GNOME help
# (the C locale, /usr/share/help/C/NAME/*.page) that Debian packages ship.
# The packages are downloaded with apt-get download and unpacked with
# dpkg-deb -x, never installed; each package's help folder is kept whole
# (figures, media, xincluded files), so that its pages find what they show.
#
#   scripts/corpus-mallard.sh [FOLDER]
# FOLDER (default .corpus/mallard of the repository) gets one folder per
# help, FOLDER/PACKAGE/NAME/. A package that cannot be fetched, or that
# ships no .page file, is said and skipped. Exits 1 if no page was fetched.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-$root/.corpus/mallard}

# Where the help is: some in the program's package, some in its -common or
# -data package.
packages="gnome-user-docs gedit-common gnome-terminal-data evince-common eog baobab
 gnome-calculator gnome-system-monitor file-roller totem-common simple-scan gnome-logs
 cheese-common seahorse gnome-clocks gnome-dictionary zenity-common"

debs=$(mktemp -d)
trap 'rm -rf "$debs"' EXIT
mkdir -p "$dest" || exit 2
for package in $packages; do
    rm -rf "${debs:?}"/*
    if ! (cd "$debs" && apt-get download "$package" >/dev/null 2>&1); then
        echo "corpus-mallard: $package: cannot be downloaded" >&2
        continue
    fi
    deb=$(find "$debs" -name '*.deb' | head -n 1)
    mkdir "$debs/tree"
    dpkg-deb -x "$deb" "$debs/tree" || { echo "corpus-mallard: $package: cannot be unpacked" >&2; continue; }
    found=0
    for help in "$debs"/tree/usr/share/help/C/*/; do
        [ -d "$help" ] || continue
        compgen -G "$help*.page" >/dev/null || continue
        name=$(basename "$help")
        rm -rf "${dest:?}/$package/$name"
        mkdir -p "$dest/$package"
        cp -r "$help" "$dest/$package/$name"
        found=1
    done
    [ "$found" -eq 1 ] || echo "corpus-mallard: $package: no Mallard help" >&2
done
pages=$(find "$dest" -name '*.page' | wc -l)
echo "corpus-mallard: $pages pages in $(find "$dest" -mindepth 2 -maxdepth 2 -type d | wc -l) helps, in $dest"
[ "$pages" -gt 0 ]
