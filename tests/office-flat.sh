#!/usr/bin/env bash
# Makes documents for tests/office-judge.sh with LibreOffice itself (headless,
# a profile of its own for this run, many files a call):
#   - the flat form of each zipped OpenDocument file: .ott and .odt become
#     .fodt, .ots and .ods .fods, .otp and .odp .fodp, .otg and .odg .fodg;
#   - with --docx, a Word file of each text document instead (.ott .odt
#     .fodt become .docx).
# Into OUT_FOLDER, under the same name with the new extension; when two
# documents would have the same name, the later one's is prefixed with its
# folder's name. Folders given: every such document below them. Prints a
# summary line; exits 1 if LibreOffice did not convert them all.
#
#   tests/office-flat.sh [--docx] OUT_FOLDER FILE_OR_FOLDER...
# For LibreOffice's own templates, as Debian installs them:
#   tests/office-flat.sh FOLDER /usr/lib/libreoffice/share/template
# OFFICE_TIMEOUT    seconds a call may take for each document (default 30)
# SOFFICE           LibreOffice's command (default soffice)
set -uo pipefail
# shellcheck source=tests/office.bash
source "$(dirname "$0")/office.bash"
docx=""
if [ "${1:-}" = --docx ]; then
    docx=docx
    shift
fi
if [ $# -lt 2 ]; then
    echo "usage: $0 [--docx] OUT_FOLDER FILE_OR_FOLDER..." >&2
    exit 2
fi
out=$1
shift
command -v "${soffice%% *}" >/dev/null || {
    echo "office-flat: ${soffice%% *} is missing (Debian: libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui)" >&2
    exit 2
}
mkdir -p "$out" || exit 2
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The extension a document becomes, or nothing.
target_of() {
    if [ -n "$docx" ]; then
        case ${1,,} in
        *.ott | *.odt | *.fodt) echo docx ;;
        esac
        return
    fi
    case ${1,,} in
    *.ott | *.odt) echo fodt ;;
    *.ots | *.ods) echo fods ;;
    *.otp | *.odp) echo fodp ;;
    *.otg | *.odg) echo fodg ;;
    esac
}

# What LibreOffice is asked for, to make an extension.
filter_of() {
    case $1 in
    docx) echo 'docx:MS Word 2007 XML' ;;
    *) echo "$1" ;;
    esac
}

# Each document is copied into $work/in/TARGET under the name it will have,
# so that LibreOffice names its output so.
documents=0 made=0
declare -A taken=()
while IFS= read -r -d '' path; do
    target=$(target_of "$path")
    [ -n "$target" ] || continue
    base=${path##*/}
    base=${base%.*}
    if [ -n "${taken[${base,,}.$target]:-}" ]; then
        parent=${path%/*}
        base=${parent##*/}-$base
    fi
    taken[${base,,}.$target]=1
    mkdir -p "$work/in/$target"
    cp "$path" "$work/in/$target/$base.${path##*.}"
    rm -f "$out/$base.$target"
    documents=$((documents + 1))
done < <(for arg; do
    if [ -d "$arg" ]; then
        find "$arg" -type f \( -iname '*.od[tpgs]' -o -iname '*.ot[tpgs]' -o -iname '*.fodt' \) -print0 | sort -z
    else printf '%s\0' "$arg"; fi
done)

convert() {
    local target=$1
    shift
    soffice_convert "$work/profile" "$out" "$work/soffice.log" "$(filter_of "$target")" "$@"
}

for folder in "$work"/in/*; do
    [ -d "$folder" ] || continue
    target=${folder##*/}
    files=("$folder"/*)
    for ((i = 0; i < ${#files[@]}; i += 60)); do
        convert "$target" "${files[@]:i:60}"
    done
    for f in "${files[@]}"; do
        name=${f##*/}
        name=${name%.*}.$target
        # A file that a call did not convert is tried again alone.
        [ -s "$out/$name" ] || convert "$target" "$f"
        if [ -s "$out/$name" ]; then
            made=$((made + 1))
        else
            echo "office-flat: LibreOffice did not convert ${f##*/} to $target"
        fi
    done
done

echo "office-flat: $documents documents, $made made in $out"
[ "$made" -eq "$documents" ]
