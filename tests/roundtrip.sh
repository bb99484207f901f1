#!/usr/bin/env bash
# Runs quillen on every file given (folders: every file below them whose
# name matches NAME, default '*.xml') and judges what it did, with libxml2's
# xmllint as a second parser:
#   - it exits 0 or 1; after 1 there is no output and no success line;
#   - after 0 the input is unchanged, and quillen run on the output saves
#     it again with the same bytes;
#   - when xmllint reads the input as well-formed, without reporting an error
#     (it recovers from some, such as bytes the declared encoding cannot
#     decode), and can put it in canonical form, then after 0 xmllint reads
#     the output as well-formed too, and both canonical forms are equal once
#     the white space that is only layout is removed (tests/layout-only.xsl:
#     text of only white space outside the elements that quillen writes as
#     read, but between two inline XHTML elements, where it counts as one
#     space); every other character counts. A white-space character written
#     as a reference ("&#32;") is content that would look like layout once
#     decoded: in both files each one becomes the same marker first, and so
#     must come back as it was. xmllint reads the DTDs that the
#     system's XML catalog holds (XHTML, DocBook), never the network, and
#     substitutes entities. A reference to an entity that it cannot resolve (its DTD is
#     elsewhere) is compared as a reference: in both files each one becomes
#     the same marker text before they are read.
# Anything else is a finding. Prints the findings and a summary line; exits 1
# if there are any findings.
#
#   tests/roundtrip.sh QUILLEN FILE_OR_FOLDER...
# QUILLEN may be a command with arguments ("scripts/wine-run.sh quillen.exe").
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quillen=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

files=0 saved=0 refused=0 judged=0 findings=0
finding() {
    findings=$((findings + 1))
    echo "finding: $file: $1"
}

xmllint() { command xmllint --nonet --loaddtd --noent "$@"; }

# The canonical form, as compared: without the white space that is only
# layout. Canonical forms hold the attributes that a DTD gives by default,
# such as XHTML 1.1's xml:space="preserve" on every element, which quillen
# does not read: the attribute as written is renamed first. A reference to
# a white-space character becomes a private-use character.
canonical() {
    LC_ALL=C perl -0777 -pe 's/\bxml:space(?=\s*=)/xml-space-written/g;
        s/&#(?:0*(?:9|10|13|32)|x0*(?:9|[aA]|[dD]|20));/&#xE002;/g' "$1" >"$1.judged"
    xmllint --c14n "$1.judged" 2>/dev/null | xsltproc --nonet "$here/layout-only.xsl" - 2>/dev/null
    [ "${PIPESTATUS[*]}" = "0 0" ]
}

# xmllint reads FILE without an error (warnings are fine).
well_formed() {
    xmllint --noout "$1" 2>"$work/xmllint" && ! grep -q 'error' "$work/xmllint"
}

# Its only errors were entities that it could not resolve.
only_unresolved_entities() {
    grep 'error' "$work/xmllint" | grep -q . && ! grep 'error' "$work/xmllint" | grep -vq "error : Entity '.*' not defined"
}

# FILE with each reference to an entity other than the predefined ones
# replaced by a marker: private-use characters around its name.
with_markers() {
    LC_ALL=C perl -pe 's/&(?!(?:amp|lt|gt|quot|apos);)([A-Za-z_:\x80-\xff][-\w.:\x80-\xff]*);/&#xE000;$1&#xE001;/g' "$1"
}

# quillen's status on FILE, its streams in $work.
run() {
    # shellcheck disable=SC2086 # a command with arguments
    timeout 120 $quillen "$1" >"$work/stdout" 2>"$work/stderr"
}

check() {
    rm -rf "${work:?}"/*
    cp "$file" "$work/in.xml"
    local expected="" marked=""
    if well_formed "$work/in.xml"; then
        expected=$(canonical "$work/in.xml") || expected=""
    elif only_unresolved_entities; then
        marked=marked
        with_markers "$work/in.xml" >"$work/marked-in.xml"
        if well_formed "$work/marked-in.xml"; then
            expected=$(canonical "$work/marked-in.xml") || expected=""
        fi
    fi
    [ -z "$expected" ] || judged=$((judged + 1))
    run "$work/in.xml"
    local status=$?
    case $status in
    0) saved=$((saved + 1)) ;;
    1)
        refused=$((refused + 1))
        [ -e "$work/in_for.xml" ] && finding "exit 1 with an output file left behind"
        [ -s "$work/stdout" ] && finding "exit 1 with a success line"
        return
        ;;
    *)
        finding "exit status $status: $(head -c 300 "$work/stderr")"
        return
        ;;
    esac
    cmp -s "$file" "$work/in.xml" || finding "input changed"
    if [ ! -f "$work/in_for.xml" ]; then
        finding "exit 0 without output"
        return
    fi
    # An output with no node in it (a byte-order mark, white space) is empty: code 13.
    run "$work/in_for.xml"
    status=$?
    if [ $status -eq 0 ]; then
        cmp -s "$work/in_for.xml" "$work/in_for_for.xml" || finding "quillen run on its output writes other bytes"
    elif ! { grep -q 'Error code: 13\.' "$work/stderr" &&
        [ -z "$(LC_ALL=C tr -d ' \t\r\n\357\273\277' <"$work/in_for.xml")" ]; }; then
        finding "output does not load again (exit $status): $(cat "$work/stderr")"
    fi
    [ -n "$expected" ] || return
    local output=$work/in_for.xml
    if [ -n "$marked" ]; then
        with_markers "$output" >"$work/marked-out.xml"
        output=$work/marked-out.xml
    fi
    if ! well_formed "$output"; then
        finding "xmllint cannot read the output: $(head -c 300 "$work/xmllint")"
    elif [ "$(canonical "$output")" != "$expected" ]; then
        finding "the output means something else: its canonical form differs from the input's"
    fi
}

name=${NAME:-*.xml}
while IFS= read -r -d '' file; do
    files=$((files + 1))
    check
done < <(for arg; do
    if [ -d "$arg" ]; then find "$arg" -type f -name "$name" -print0; else printf '%s\0' "$arg"; fi
done)

echo "roundtrip: $files files, $saved saved, $refused refused, $judged judged by xmllint, $findings findings"
[ "$findings" -eq 0 ]
