#!/usr/bin/env bash
# Runs quillen on every Mallard page given (folders: every *.page below
# them) and judges, through the reader Mallard is written for, whether the
# output reads the same as the input: GNOME's help stylesheets (yelp-xsl,
# run by yelp-build html) render input and output to HTML, and a browser
# (headless Chromium, tests/browser/judge.mjs) compares the two pages by the
# text a reader sees (innerText, so the blanks and line breaks of code,
# screen and other verbatim boxes count) and by a screenshot:
#   - quillen exits 0 or 1; after 1 there is no output and no success line;
#   - after 0 the input is unchanged, and its output renders to a page of
#     the same page id that shows the same text and the same pixels as the
#     input's.
# Both are rendered where they are, so that the files they include and the
# figures they show are found alike, with the same page cache, made from
# the input pages of the page's folder: links to the other pages, guide
# trails and topic lists show the same titles (without a cache, as when the
# folder's pages cannot make one, each page is rendered alone). An input
# that yelp-build cannot render is counted, not judged.
# Prints the findings and a summary line; exits 1 if there are any
# findings, 2 if it cannot run.
#
#   tests/mallard-judge.sh QUILLEN FILE_OR_FOLDER...
# QUILLEN may be a command with arguments. Give it a scratch copy of the
# pages: quillen writes its output beside each one. The rendered pages are
# made in a scratch folder, removed at the end. The screenshots of the
# findings are kept in $BROWSER_FINDINGS (default: a new folder, printed
# first).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/judge.bash
source "$here/judge.bash"
for needed in yelp-build xsltproc node /usr/share/yelp-xsl/xslt/mallard/html/mal2html.xsl; do
    [ -e "$needed" ] || command -v "$needed" >/dev/null || {
        echo "mallard: $needed is missing (Debian: yelp-tools yelp-xsl xsltproc nodejs)" >&2
        exit 2
    }
done
findings_dir=${BROWSER_FINDINGS:-$(mktemp -d "${TMPDIR:-/tmp}/mallard-findings.XXXXXX")}
mkdir -p "$findings_dir"
echo "mallard: screenshots and texts of the findings are kept in $findings_dir"

files=0 unrendered=0 judged=0 findings=0
finding() {
    findings=$((findings + 1))
    echo "finding: $1: $2"
}

# Renders the page FILE into the new folder OUT with the cache CACHE (none
# if empty); prints the HTML file's name, which is the page id's.
render() {
    local file=$1 out=$2 cache=$3 html
    mkdir "$out" || return 1
    timeout 300 yelp-build html -i ${cache:+-c "$cache"} -p "$(dirname "$file")" -o "$out" "$file" \
        >/dev/null 2>&1 || return 1
    html=$(find "$out" -maxdepth 1 -name '*.html' -printf '%f\n')
    [ -n "$html" ] && [ "$(wc -l <<<"$html")" -eq 1 ] && [ -s "$out/$html" ] && echo "$html"
}

inputs=()
for arg; do
    if [ -d "$arg" ]; then
        while IFS= read -r -d '' file; do
            inputs+=("$file")
        done < <(find "$arg" -type f -name '*.page' ! -name '*_for.page' -print0 | sort -z)
    else
        inputs+=("$arg")
    fi
done

# One cache for each folder, made before quillen writes there: from the
# input pages only.
declare -A cache_of=()
for file in "${inputs[@]}"; do
    dir=$(dirname "$file")
    [ -n "${cache_of[$dir]+set}" ] && continue
    cache=$work/cache-${#cache_of[@]}.xml
    pages=()
    for page in "$dir"/*.page; do
        [[ $page == *_for.page ]] || pages+=("$page")
    done
    timeout 300 yelp-build cache -o "$cache" "${pages[@]}" >/dev/null 2>&1 && [ -s "$cache" ] || cache=
    cache_of[$dir]=$cache
done

pair_file=()
: >"$work/pairs"
n=0
for file in "${inputs[@]}"; do
    files=$((files + 1))
    n=$((n + 1))
    output=${file%.*}_for.${file##*.}
    if [ -e "$output" ]; then
        echo "skipped: $file: its output is there already"
        continue
    fi
    formats "$file" "$output" || continue
    cache=${cache_of[$(dirname "$file")]}
    if ! before=$(render "$file" "$work/in-$n" "$cache"); then
        unrendered=$((unrendered + 1))
        continue
    fi
    if ! after=$(render "$output" "$work/out-$n" "$cache"); then
        finding "$file" "yelp-build renders the input but not the output"
        continue
    fi
    if [ "$before" != "$after" ]; then
        finding "$file" "the output renders as another page: $after, not $before"
        continue
    fi
    printf '%s\t%s\t%s\n' "$work/in-$n/$before" "$work/out-$n/$after" "$file" >>"$work/pairs"
    pair_file+=("$file")
done

compare_pages mallard

echo "mallard: $files files, $saved saved, $refused refused, $unrendered yelp-build cannot render," \
    "$judged judged, $findings findings"
[ "$findings" -eq 0 ]
