#!/usr/bin/env bash
# Runs quillen on every XHTML document given (folders: every file below them
# named *.html, *.htm or *.xhtml) and judges, with a real browser (headless
# Chromium, driven by tests/browser/judge.mjs), whether the output looks like
# the input:
#   - quillen exits 0 or 1; after 1 there is no output and no success line;
#   - after 0 the input is unchanged and the output NAME_for.EXT exists;
#   - read with the browser's HTML parser, as a file named .html is read (and
#     as almost every XHTML page is served), the output shows the same text
#     (the title and the text of the body, as a reader sees it) and the same
#     pixels (a screenshot of the whole page at 1024 px wide, its top 16384 px)
#     as the input;
#   - read with the browser's XML parser, as a file named .xhtml is read, the
#     same. An input that does not show as XHTML that way (the browser shows
#     its XML error page, or the XML source as a tree) is judged as HTML only.
# When the output shows something else, the input is rendered once more: if
# the input itself shows other pixels from one time to the next (an
# animation, a script that shows the time or random numbers), the page is
# "unstable", counted but no finding, and only its text is compared, if that
# holds still. Every other difference is a finding: both screenshots and
# texts are kept in the findings folder, $BROWSER_FINDINGS (default: a new
# folder, printed first). Prints the findings and a summary line; exits 1 if
# there are any findings, 2 if the browser cannot be used.
#
#   tests/browser-judge.sh QUILLEN FILE_OR_FOLDER...
# QUILLEN may be a command with arguments. Give it a scratch copy of the
# pages, never the originals: quillen writes its output beside each file, and
# so does this script its copies of the input and of the output, named
# NAME.judge-in.html, NAME.judge-out.html, NAME.judge-in.xhtml and
# NAME.judge-out.xhtml: beside the input, style sheets, images and scripts
# that the page names by a relative path are found alike for both. They are
# all removed at the end; the input itself is only read. A file whose output
# or copies would overwrite a file already there is skipped.
#
# Needs node, puppeteer-core in .deps/browser (scripts/setup.sh test) and
# /usr/bin/chromium; see tests/browser/judge.mjs for its settings.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/judge.bash
source "$here/judge.bash"
findings_dir=${BROWSER_FINDINGS:-$(mktemp -d "${TMPDIR:-/tmp}/browser-findings.XXXXXX")}
mkdir -p "$findings_dir"
echo "browser: screenshots and texts of the findings are kept in $findings_dir"

files=0 skipped=0 as_html=0 as_xhtml=0 not_xml=0
findings=0 text=0 pixels=0 unstable=0
finding() {
    findings=$((findings + 1))
    echo "finding: $1: $2"
}

# Every file first: the outputs and copies written beside them are no input.
# Each one's name in the findings folder is its path below the folder given.
inputs=() names=()
for arg; do
    if [ -d "$arg" ]; then
        while IFS= read -r -d '' file; do
            inputs+=("$file")
            names+=("${file#"${arg%/}"/}")
        done < <(find "$arg" -type f \( -name '*.html' -o -name '*.htm' -o -name '*.xhtml' \) -print0 | sort -z)
    else
        inputs+=("$arg")
        names+=("$arg")
    fi
done

# Runs quillen on each file; for each output, the pairs that the browser is
# to compare go to $work/pairs (BEFORE, AFTER, LABEL), and pair_file and
# pair_mode say whose they are.
pair_file=() pair_mode=() pair_label=()
: >"$work/pairs"
for i in "${!inputs[@]}"; do
    file=${inputs[i]}
    files=$((files + 1))
    base=${file%.*}
    output=${base}_for.${file##*.}
    case $file in
    *$'\t'* | *$'\n'*)
        skipped=$((skipped + 1))
        echo "skipped: $file: a tab or a line end in its name"
        continue
        ;;
    esac
    clash=""
    for name in "$output" "$base".judge-{in,out}.{html,xhtml}; do
        [ -e "$name" ] && clash=$name
    done
    if [ -n "$clash" ]; then
        skipped=$((skipped + 1))
        echo "skipped: $file: $clash is there already"
        continue
    fi
    formats "$file" "$output" || continue
    for mode in html xhtml; do
        cp "$file" "$base.judge-in.$mode"
        cp "$output" "$base.judge-out.$mode"
        made+=("$base.judge-in.$mode" "$base.judge-out.$mode")
        printf '%s\t%s\t%s\n' "$base.judge-in.$mode" "$base.judge-out.$mode" "$mode:${names[i]}" >>"$work/pairs"
        pair_file+=("$file")
        pair_mode+=("$mode")
        pair_label+=("$mode:${names[i]}")
    done
done

# The browser's verdicts come one line per pair, in order.
judged=0
if [ -s "$work/pairs" ]; then
    while IFS= read -r line; do
        file=${pair_file[judged]} mode=${pair_mode[judged]} label=${pair_label[judged]}
        judged=$((judged + 1))
        as=HTML
        [ "$mode" = xhtml ] && as=XHTML
        verdict=${line%% *}
        detail=${line#* "$label"}
        detail=${detail#: }
        case $verdict in
        same | unstable | text | pixels)
            if [ "$mode" = html ]; then as_html=$((as_html + 1)); else as_xhtml=$((as_xhtml + 1)); fi
            ;;
        esac
        case $verdict in
        same) ;;
        unstable)
            unstable=$((unstable + 1))
            echo "unstable: $file: read as $as, the input itself renders differently each time: $detail"
            ;;
        text)
            text=$((text + 1))
            finding "$file" "read as $as, the output shows other text: $detail"
            ;;
        pixels)
            pixels=$((pixels + 1))
            finding "$file" "read as $as, the output shows other pixels: $detail"
            ;;
        notxml)
            if [ "$mode" = xhtml ]; then
                not_xml=$((not_xml + 1))
                echo "not XML: $file: read as XML, the input shows no XHTML page ($detail); judged as HTML only"
            else
                finding "$file" "read as HTML, the browser reports: $detail"
            fi
            ;;
        *) finding "$file" "read as $as, the browser could not render it: $detail" ;;
        esac
    done < <(node "$here/browser/judge.mjs" --findings "$findings_dir" <"$work/pairs")
    # Its own status: 2 when the browser could not be started.
    if ! wait $!; then
        echo "browser: tests/browser/judge.mjs failed; nothing more is judged" >&2
        exit 2
    fi
fi
for ((; judged < ${#pair_file[@]}; judged++)); do
    finding "${pair_file[judged]}" "no verdict from the browser"
done

summary="browser: $files files, $saved saved, $refused refused"
[ "$skipped" -eq 0 ] || summary+=", $skipped skipped"
summary+=", $as_html judged as HTML, $as_xhtml as XHTML, $not_xml not XML"
summary+=", $findings findings ($text text, $pixels pixels), $unstable unstable"
echo "$summary"
[ "$findings" -eq 0 ]
