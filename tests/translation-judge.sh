#!/usr/bin/env bash
# Runs quillen on every translation file given (folders: every one below
# them) and judges, through the programs that read them, whether the output
# reads the same as the input. The files, told by name and root element:
#   - XLIFF 1.2 and 2.x (*.xlf, *.xliff), read by Angular's translation
#     loader (@angular/localize's XLIFF 1.2 and 2.0 parsers) and by the
#     Translate Toolkit (which reads XLIFF 1.2 only);
#   - Android string resources (strings*.xml or values*/*.xml whose root is
#     resources), read by the Translate Toolkit's Android store;
#   - Qt Linguist files (*.ts whose root is TS), read by Qt's lconvert,
#     which writes them anew as Qt writes them, and the Translate Toolkit.
# Each reader dumps every unit of input and output as it gives it: id,
# context, source and target with every plural form and placeholder, notes,
# locations, state; Angular its locale, message parts, placeholder names and
# errors; Qt each message as it writes it back (tests/translation/read.py
# says exactly what). The dumps must be the same to the character:
#   - quillen exits 0 or 1; after 1 there is no output and no success line;
#   - after 0 the input is unchanged, every reader that reads the input
#     reads the output, and reads every unit of it alike.
# A finding shows the reader, the unit, the field and both values. A file
# that a reader cannot read (it fails, or finds no unit) is counted for that
# reader, not judged by it. Prints the findings and a summary line; exits 1
# if there are any findings, 2 if it cannot run.
#
#   tests/translation-judge.sh QUILLEN FILE_OR_FOLDER...
# QUILLEN may be a command with arguments. Give it scratch copies of the
# files: quillen writes its output (NAME_for.EXT) beside each one.
# TRANSLATION_MODULES   the node_modules holding @angular/localize (default
#                       .deps/translation/node_modules, made by
#                       scripts/setup.sh translation)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/judge.bash
source "$here/judge.bash"
modules=${TRANSLATION_MODULES:-$here/../.deps/translation/node_modules}
export TRANSLATION_MODULES=$modules
python=/usr/bin/python3
lconvert=$(command -v lconvert)
for qt in /usr/lib/qt6/bin/lconvert /usr/lib/qt5/bin/lconvert; do
    [ -n "$lconvert" ] || ! [ -x "$qt" ] || lconvert=$qt
done
if ! [ -x "$python" ] || ! "$python" -c 'import translate.storage.aresource, translate.storage.ts2' 2>/dev/null ||
    ! command -v node >/dev/null || [ -z "$lconvert" ]; then
    echo "translation: the readers are missing (Debian: python3-translate qt6-l10n-tools nodejs)" >&2
    exit 2
fi
if ! [ -f "$modules/@angular/localize/tools/bundles/index.js" ]; then
    echo "translation: @angular/localize is missing from $modules (scripts/setup.sh translation)" >&2
    exit 2
fi

files=0 unread=0 judged=0 findings=0
finding() {
    findings=$((findings + 1))
    echo "finding: $1: $2"
}

# Every file given is offered; read.py keeps the translation files and
# tells their format.
{
    for arg; do
        if [ -d "$arg" ]; then
            find "$arg" -type f \( -name '*.xlf' -o -name '*.xliff' -o -name '*.ts' -o -name '*.xml' \) \
                ! -name '*_for.*' -print0 | sort -z
        else
            printf '%s\0' "$arg"
        fi
    done
} | "$python" "$here/translation/read.py" kinds >"$work/kinds" || exit 2
for arg; do
    [ -d "$arg" ] || grep -qF -- "	$arg" "$work/kinds" || echo "skipped: $arg: no translation file"
done

declare -A kinds=()
: >"$work/pairs"
while IFS=$'\t' read -r kind file; do
    files=$((files + 1))
    kinds[$kind]=$((${kinds[$kind]:-0} + 1))
    output=${file%.*}_for.${file##*.}
    if [ -e "$output" ]; then
        echo "skipped: $file: its output is there already"
        continue
    fi
    formats "$file" "$output" || continue
    printf '%s\t%s\t%s\n' "$kind" "$file" "$output" >>"$work/pairs"
done <"$work/kinds"

declare -A judged_file=()
if [ -s "$work/pairs" ]; then
    while IFS=$'\t' read -r verdict file rest; do
        case $verdict in
        judged) judged_file[$file]=1 ;;
        unread)
            unread=$((unread + 1))
            echo "unread: $file: ${rest/$'\t'/: }"
            ;;
        finding) finding "$file" "$rest" ;;
        esac
    done < <("$python" "$here/translation/read.py" compare <"$work/pairs")
    if ! wait $!; then
        echo "translation: tests/translation/read.py failed; nothing more is judged" >&2
        exit 2
    fi
fi
judged=${#judged_file[@]}

echo "translation: $files files (${kinds[xliff]:-0} XLIFF, ${kinds[android]:-0} Android, ${kinds[qt]:-0} Qt)," \
    "$saved saved, $refused refused, $unread a reader cannot read, $judged judged, $findings findings"
[ "$findings" -eq 0 ]
