#!/usr/bin/env bash
# Another formatter behind quillen's command line, so that a judge of a
# reader (tests/*-judge.sh) can judge it the same way: KIND formats FILE
# into NAME_for.EXT beside it and prints quillen's success line, or prints
# an error and exits 1, leaving no output.
#
#   tests/formatter.sh KIND FILE
# KIND is one of:
#   copy      the file as it is: every judge must find nothing (the control)
#   xmllint   xmllint --format (libxml2)
#   prettier  prettier's XML plugin, --xml-whitespace-sensitivity strict
#             (installed by scripts/setup.sh prettier into .deps/prettier)
#   prettier-ignore   the same, --xml-whitespace-sensitivity ignore
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-} file=${2:-}
if [ -z "$kind" ] || [ -z "$file" ]; then
    echo "usage: $0 copy|xmllint|prettier|prettier-ignore FILE" >&2
    exit 2
fi
name=${file##*/}
case $name in
?*.*) output=${file%.*}_for.${file##*.} ;;
*)
    echo "Invalid file name format."
    exit 1
    ;;
esac

prettier() {
    local modules=$root/.deps/prettier/node_modules
    node "$modules/prettier/bin/prettier.cjs" --plugin="$modules/@prettier/plugin-xml/src/plugin.js" \
        --parser xml --print-width 100 --xml-whitespace-sensitivity "$1" "$file"
}

case $kind in
copy) cp "$file" "$output.tmp" ;;
xmllint) xmllint --format --nonet "$file" >"$output.tmp" 2>/dev/null ;;
prettier) prettier strict >"$output.tmp" 2>/dev/null ;;
prettier-ignore) prettier ignore >"$output.tmp" 2>/dev/null ;;
*)
    echo "$0: unknown formatter $kind" >&2
    exit 2
    ;;
esac
status=$?
if [ "$status" -ne 0 ]; then
    rm -f "$output.tmp"
    echo "Error loading file: $file. Error code: $status." >&2
    exit 1
fi
mv "$output.tmp" "$output"
echo "Formatted XML saved successfully to: $output"
