#!/usr/bin/env bash
# Makes the XSL-FO documents that tests/fo-judge.sh reads, into FOLDER
# (default .corpus/fo, which git ignores):
#   - docbook-xsl/PACKAGE/NAME.fo: FO as the DocBook XSL stylesheets write
#     it for FOP (xsltproc, fo/docbook.xsl, fop1.extensions on, the DTDs
#     through the system's XML catalog, never the network), made of the
#     DocBook 4 documents in .corpus/sources (scripts/corpus.sh; not the
#     copies that quilt keeps in .pc folders): taken in turn from each
#     package, so that every one is in it, until FO_SAMPLE (default 60) are
#     made; a document the stylesheets fail on, or whose FO Apache FOP
#     refuses (the stylesheets write some that FOP finds invalid), is
#     skipped;
#   - fop-doc/: FOP's own examples from Debian's fop-doc, each *.fo in its
#     folder as shipped, with the images (graphics/) they show.
# Prints how many files each gives. Needs apt-get download for fop-doc.
#
#   scripts/corpus-fo.sh [FOLDER]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$(mkdir -p "${1:-$root/.corpus/fo}" && cd "${1:-$root/.corpus/fo}" && pwd)
sources=${FO_SOURCES:-$root/.corpus/sources}
sample=${FO_SAMPLE:-60}
stylesheet=/usr/share/xml/docbook/stylesheet/docbook-xsl/fo/docbook.xsl
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

say() { printf 'corpus-fo: %s\n' "$*" >&2; }

for needed in xsltproc dpkg-deb fop "$stylesheet"; do
    [ -e "$needed" ] || command -v "$needed" >/dev/null || {
        say "$needed is missing (Debian: xsltproc docbook-xsl docbook-xml fop)"
        exit 2
    }
done

made=0 failed=0 refused=0
if [ -d "$sources" ]; then
    mkdir -p "$corpus/docbook-xsl"
    # The DocBook 4 documents (names without a line break), the first of every package, then the second
    # of every package, and so on.
    while IFS= read -r file; do
        [ "$made" -ge "$sample" ] && break
        relative=${file#"$sources"/}
        package=${relative%%/*}
        name=${relative#*/}
        name=${name%.xml}
        output=$corpus/docbook-xsl/$package/${name//\//-}.fo
        if [ -s "$output" ]; then
            made=$((made + 1))
            continue
        fi
        mkdir -p "${output%/*}"
        if timeout 300 xsltproc --nonet --xinclude --stringparam fop1.extensions 1 \
            --output "$work/out.fo" "$stylesheet" "$file" >/dev/null 2>&1 && [ -s "$work/out.fo" ]; then
            # Java compiled for a short run: the same PDF, sooner.
            if JAVA_ARGS="-XX:TieredStopAtLevel=1 -XX:+UseSerialGC" timeout 300 fop -fo "$work/out.fo" \
                -pdf "$work/out.pdf" >/dev/null 2>&1 && [ -s "$work/out.pdf" ]; then
                mv "$work/out.fo" "$output"
                made=$((made + 1))
            else
                refused=$((refused + 1))
            fi
            rm -f "$work/out.fo" "$work/out.pdf"
        else
            rm -f "$work/out.fo"
            failed=$((failed + 1))
        fi
    done < <(grep -rl --include='*.xml' -e '-//OASIS//DTD DocBook' "$sources" | grep -v '/\.pc/' | LC_ALL=C sort |
        awk -v root="$sources/" '{
            rest = substr($0, length(root) + 1); package = substr(rest, 1, index(rest, "/") - 1)
            printf "%06d\t%s\t%s\n", ++turn[package], package, $0 }' |
        LC_ALL=C sort | cut -f3-)
    say "docbook-xsl: $made FO files made (the stylesheets failed on $failed documents, FOP refused the FO of $refused)"
else
    say "no $sources (scripts/corpus.sh makes it): no FO from docbook-xsl"
fi

if (cd "$work" && apt-get download -q fop-doc >/dev/null 2>&1) && dpkg-deb -x "$work"/fop-doc_*.deb "$work/fop-doc"; then
    examples=$work/fop-doc/usr/share/doc/fop/examples/fo
    mkdir -p "$corpus/fop-doc"
    (cd "$examples" && find . -type f \( -name '*.fo' -o -path './graphics/*' \) -print0 |
        xargs -0 cp --parents -t "$corpus/fop-doc")
    say "fop-doc: $(find "$corpus/fop-doc" -name '*.fo' | wc -l) FO files copied"
else
    say "the archive does not serve fop-doc"
fi
