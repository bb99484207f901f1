#!/usr/bin/env bash
# make readers: every document below the folders given through the readers
# that judge what it shows, on a scratch copy (the judges write beside each
# document): XHTML pages in a browser, as HTML and as XHTML
# (tests/browser-judge.sh); OpenDocument and Word files in LibreOffice
# (tests/office-judge.sh); DocBook rendered by the DocBook XSL stylesheets
# and read by a browser (tests/docbook-judge.sh). Prints each judge's
# findings and summary; exits 1 if any judge has findings.
#
#   scripts/readers.sh QUILLEN FOLDER...
# The findings of each judge are kept in READERS_FINDINGS (default
# /tmp/readers-findings), a folder for each judge.
set -uo pipefail
here=$(cd "$(dirname "$0")/../tests" && pwd)
quillen=$1
shift
[ $# -gt 0 ] || { echo "usage: $0 QUILLEN FOLDER..." >&2; exit 2; }
kept=${READERS_FINDINGS:-/tmp/readers-findings}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for folder; do
    cp -a "$folder" "$scratch/"
done
rm -rf "${kept:?}"/{browser,docbook,office}
mkdir -p "$kept/browser" "$kept/docbook" "$kept/office"
status=0
BROWSER_FINDINGS=$kept/browser "$here/browser-judge.sh" "$quillen" "$scratch" || status=1
BROWSER_FINDINGS=$kept/docbook "$here/docbook-judge.sh" "$quillen" "$scratch" || status=1
if find "$scratch" -type f \( -iname '*.od[tpgs]' -o -iname '*.ot[tpgs]' -o -iname '*.fod[tpgs]' -o -iname '*.docx' \) |
    grep -q .; then
    OFFICE_FINDINGS=$kept/office "$here/office-judge.sh" "$quillen" "$scratch" || status=1
fi
exit $status
