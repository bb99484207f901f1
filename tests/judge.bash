# What the judges of a reader (tests/browser-judge.sh, tests/docbook-judge.sh,
# tests/mallard-judge.sh and the others) share: the arguments, and quillen's
# run on each document with what every judge checks of it. The judge defines
# finding FILE MESSAGE; this sets quillen, work (a scratch folder, removed
# at the end with the files listed in made), saved and refused.

if [ $# -lt 2 ]; then
    echo "usage: $0 QUILLEN FILE_OR_FOLDER..." >&2
    exit 2
fi
quillen=$1
shift
work=$(mktemp -d)
made=()
trap 'rm -f "${made[@]}"; rm -rf "$work"' EXIT
saved=0 refused=0

# Runs quillen on FILE, which is to write OUTPUT: the input must stay as it
# was, a refusal (exit 1) leave no output and print no success line, a save
# (exit 0) leave the output. Succeeds when there is an output to judge.
formats() {
    local file=$1 output=$2 sum status
    sum=$(sha256sum <"$file")
    made+=("$output")
    # shellcheck disable=SC2086 # a command with arguments
    timeout 120 $quillen "$file" >"$work/stdout" 2>"$work/stderr"
    status=$?
    [ "$(sha256sum <"$file")" = "$sum" ] || finding "$file" "input changed"
    case $status in
    0) saved=$((saved + 1)) ;;
    1)
        refused=$((refused + 1))
        [ -e "$output" ] && finding "$file" "exit 1 with an output file left behind"
        [ -s "$work/stdout" ] && finding "$file" "exit 1 with a success line"
        return 1
        ;;
    *)
        finding "$file" "exit status $status: $(head -c 300 "$work/stderr")"
        return 1
        ;;
    esac
    [ -f "$output" ] || { finding "$file" "exit 0 without output"; return 1; }
}

# Has the browser compare the two pages of each line of $work/pairs (see
# tests/browser/judge.mjs), whose document pair_file names: a finding for
# each pair that shows other text or pixels, counted in judged. The judge
# NAME exits with 2 when the browser cannot be used.
# shellcheck disable=SC2154 # here, findings_dir and pair_file are the judge's
compare_pages() {
    [ -s "$work/pairs" ] || return 0
    local line file verdict detail
    while IFS= read -r line; do
        file=${pair_file[judged]}
        judged=$((judged + 1))
        verdict=${line%% *}
        detail=${line#* "$file"}
        case $verdict in
        same | unstable) ;;
        text | pixels) finding "$file" "the rendered page shows other $verdict$detail" ;;
        *) finding "$file" "the browser could not compare the pages$detail" ;;
        esac
    done < <(node "$here/browser/judge.mjs" --findings "$findings_dir" <"$work/pairs")
    if ! wait $!; then
        echo "$1: tests/browser/judge.mjs failed; nothing more is judged" >&2
        exit 2
    fi
}
