#!/usr/bin/env bash
# make readers: every document below the folders given through the readers
# that judge what it shows, on a scratch copy (the judges write beside each
# document): XHTML pages in a browser, as HTML and as XHTML
# (tests/browser-judge.sh); OpenDocument and Word files in LibreOffice
# (tests/office-judge.sh); DocBook rendered by the DocBook XSL stylesheets
# and read by a browser (tests/docbook-judge.sh); print layouts by FOP
# (tests/fo-judge.sh); Mallard pages rendered by yelp-xsl and read by a
# browser (tests/mallard-judge.sh); translation files by their loaders
# (tests/translation-judge.sh); XAML by a model of its rules
# (tests/xaml-judge.sh). Then the same judges over the same documents with
# the peers instead of quillen (PEERS, default "xmllint prettier", see
# tests/formatter.sh; PEERS="" for quillen alone), so that their figures
# stand beside quillen's. Prints each judge's findings and summary, and a
# table of the summaries; exits 1 if any judge has findings for quillen.
#
#   scripts/readers.sh QUILLEN FOLDER...
# The findings of each judge are kept in READERS_FINDINGS (default
# /tmp/readers-findings), a folder for each formatter and judge.
set -uo pipefail
here=$(cd "$(dirname "$0")/../tests" && pwd)
quillen=$1
shift
[ $# -gt 0 ] || { echo "usage: $0 QUILLEN FOLDER..." >&2; exit 2; }
kept=${READERS_FINDINGS:-/tmp/readers-findings}
peers=${PEERS-xmllint prettier}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
summaries=$scratch/summaries

# Runs every judge over a fresh scratch copy of the folders, with FORMATTER
# named NAME; the summary lines go to $summaries.
judge_all() {
    local formatter=$1 name=$2 status=0 judge findings
    rm -rf "$scratch/copy" && mkdir "$scratch/copy"
    for folder in "${folders[@]}"; do
        cp -a "$folder" "$scratch/copy/"
    done
    findings=$kept/$name
    rm -rf "${findings:?}" && mkdir -p "$findings"
    for judge in browser docbook fo mallard translation xaml; do
        BROWSER_FINDINGS=$findings/$judge FO_FINDINGS=$findings/$judge \
            "$here/$judge-judge.sh" "$formatter" "$scratch/copy" | tee "$scratch/out" || status=1
        tail -n 1 "$scratch/out" | sed "s/^/$name: /" >>"$summaries"
    done
    if find "$scratch/copy" -type f \( -iname '*.od[tpgs]' -o -iname '*.ot[tpgs]' -o -iname '*.fod[tpgs]' \
        -o -iname '*.docx' \) | grep -q .; then
        OFFICE_FINDINGS=$findings/office "$here/office-judge.sh" "$formatter" "$scratch/copy" | tee "$scratch/out" ||
            status=1
        tail -n 1 "$scratch/out" | sed "s/^/$name: /" >>"$summaries"
    fi
    return $status
}

folders=("$@")
: >"$summaries"
judge_all "$quillen" quillen
status=$?
for peer in $peers; do
    judge_all "$here/formatter.sh $peer" "$peer"
done
echo
echo "readers: the judges' summaries, quillen and its peers:"
cat "$summaries"
exit $status
