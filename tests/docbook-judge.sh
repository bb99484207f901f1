#!/usr/bin/env bash
# Runs quillen on every DocBook document given (folders: every *.xml below
# them that is DocBook) and judges, through the reader DocBook is written
# for, whether the output reads the same as the input: the DocBook XSL
# stylesheets (xsltproc, docbook-xsl for DocBook 4, docbook-xsl-ns for
# DocBook 5, the DTDs read through the system's XML catalog, never the
# network) render input and output to HTML, and a browser (headless
# Chromium, tests/browser/judge.mjs) compares the two pages by the text a
# reader sees and by a screenshot:
#   - quillen exits 0 or 1; after 1 there is no output and no success line;
#   - after 0 the input is unchanged, and its output renders to a page that
#     shows the same text and the same pixels as the input's.
# An input that the stylesheets cannot render is counted, not judged.
# Prints the findings and a summary line; exits 1 if there are any
# findings, 2 if it cannot run.
#
#   tests/docbook-judge.sh QUILLEN FILE_OR_FOLDER...
# QUILLEN may be a command with arguments. Give it a scratch copy of the
# documents: quillen writes its output beside each one (where the files it
# includes are found alike for both), and so does this script the two
# pages, NAME.judge-in.html and NAME.judge-out.html, removed at the end.
# The screenshots of the findings are kept in $BROWSER_FINDINGS (default: a
# new folder, printed first).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/judge.bash
source "$here/judge.bash"
stylesheets=/usr/share/xml/docbook/stylesheet
for needed in xsltproc node "$stylesheets/docbook-xsl/html/docbook.xsl" "$stylesheets/docbook-xsl-ns/html/docbook.xsl"; do
    [ -e "$needed" ] || command -v "$needed" >/dev/null || {
        echo "docbook: $needed is missing (Debian: xsltproc docbook-xsl docbook-xsl-ns nodejs)" >&2
        exit 2
    }
done
findings_dir=${BROWSER_FINDINGS:-$(mktemp -d "${TMPDIR:-/tmp}/docbook-findings.XXXXXX")}
mkdir -p "$findings_dir"
echo "docbook: screenshots and texts of the findings are kept in $findings_dir"

files=0 unrendered=0 judged=0 findings=0
finding() {
    findings=$((findings + 1))
    echo "finding: $1: $2"
}

# The stylesheet for FILE: DocBook 5 by its namespace, else DocBook 4 by
# its document type; nothing for another document.
stylesheet() {
    if head -c 4096 "$1" | grep -q 'xmlns="http://docbook.org/ns/docbook"'; then
        echo "$stylesheets/docbook-xsl-ns/html/docbook.xsl"
    elif head -c 4096 "$1" | grep -q -- '-//OASIS//DTD DocBook'; then
        echo "$stylesheets/docbook-xsl/html/docbook.xsl"
    fi
}

render() {
    timeout 300 xsltproc --nonet --xinclude --output "$3" "$1" "$2" >/dev/null 2>&1 && [ -s "$3" ]
}

inputs=()
for arg; do
    if [ -d "$arg" ]; then
        while IFS= read -r -d '' file; do
            [ -n "$(stylesheet "$file")" ] && inputs+=("$file")
        done < <(find "$arg" -type f -name '*.xml' ! -name '*_for.xml' -print0 | sort -z)
    else
        inputs+=("$arg")
    fi
done

pair_file=()
: >"$work/pairs"
for file in "${inputs[@]}"; do
    files=$((files + 1))
    base=${file%.*}
    output=${base}_for.${file##*.}
    xsl=$(stylesheet "$file")
    if [ -z "$xsl" ] || [ -e "$output" ] || [ -e "$base.judge-in.html" ]; then
        echo "skipped: $file: no DocBook, or its output or pages are there already"
        continue
    fi
    made+=("$base.judge-in.html" "$base.judge-out.html")
    formats "$file" "$output" || continue
    if ! render "$xsl" "$file" "$base.judge-in.html"; then
        unrendered=$((unrendered + 1))
        continue
    fi
    if ! render "$xsl" "$output" "$base.judge-out.html"; then
        finding "$file" "the stylesheets render the input but not the output"
        continue
    fi
    printf '%s\t%s\t%s\n' "$base.judge-in.html" "$base.judge-out.html" "$file" >>"$work/pairs"
    pair_file+=("$file")
done

compare_pages docbook

echo "docbook: $files files, $saved saved, $refused refused, $unrendered the stylesheets cannot render," \
    "$judged judged, $findings findings"
[ "$findings" -eq 0 ]
