#!/usr/bin/env bash
# Runs quillen on every XAML document given (folders: every *.xaml and
# *.axaml below them) and judges whether the output reads the same as the
# input to a XAML reader (WPF, UWP, WinUI, Avalonia, MAUI, Xamarin.Forms).
# None runs on Linux, so the reader is a model, tests/xaml/model.py, of
# XAML's documented white-space rules: white space in text normalised and
# trimmed at the tags; in the white-space significant inlines of TextBlock,
# Paragraph, Span, Bold, Italic, Underline, Hyperlink and *.Inlines the
# white space between two inlines one space, none next to LineBreak;
# xml:space="preserve" keeping it all; white space between the elements of
# panels, grids and controls ignored. The model gives, for each text
# container, the text it yields, and each attribute's value:
#   - quillen exits 0 or 1; after 1 there is no output and no success line;
#   - after 0 the input is unchanged, and the model gives the output the
#     same lines, to the byte, as the input; a finding shows the container
#     and both texts.
# An input that does not read as XML is counted, not judged.
# Prints the findings and a summary line; exits 1 if there are any
# findings, 2 if it cannot run.
#
#   tests/xaml-judge.sh QUILLEN FILE_OR_FOLDER...
# QUILLEN may be a command with arguments. Give it a scratch copy of the
# documents: quillen writes its output beside each one.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/judge.bash
source "$here/judge.bash"
command -v python3 >/dev/null || {
    echo "xaml: python3 is missing (Debian: python3)" >&2
    exit 2
}

files=0 unread=0 judged=0 findings=0
finding() {
    findings=$((findings + 1))
    echo "finding: $1: $2"
}

inputs=()
for arg; do
    if [ -d "$arg" ]; then
        while IFS= read -r -d '' file; do
            inputs+=("$file")
        done < <(find "$arg" -type f \( -iname '*.xaml' -o -iname '*.axaml' \) ! -iname '*_for.*' -print0 | sort -z)
    else
        inputs+=("$arg")
    fi
done

for file in "${inputs[@]}"; do
    files=$((files + 1))
    output=${file%.*}_for.${file##*.}
    if [ -e "$output" ]; then
        echo "skipped: $file: its output is there already"
        continue
    fi
    formats "$file" "$output" || continue
    python3 "$here/xaml/model.py" --compare "$file" "$output" >"$work/differences"
    case $? in
    0) judged=$((judged + 1)) ;;
    1 | 3)
        judged=$((judged + 1))
        while IFS= read -r line; do
            finding "$file" "$line"
        done <"$work/differences"
        ;;
    2) unread=$((unread + 1)) ;;
    *)
        echo "xaml: tests/xaml/model.py failed on $file; nothing more is judged" >&2
        exit 2
        ;;
    esac
done

echo "xaml: $files files, $saved saved, $refused refused, $unread do not read as XML," \
    "$judged judged, $findings findings"
[ "$findings" -eq 0 ]
