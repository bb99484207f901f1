#!/usr/bin/env bash
# Replays inputs through a quillen build (every file below the folders given:
# what AFL++ kept, or tests/regressions) and checks what matters:
#   exit 0: the input is unchanged, and the output loads again (an output
#           that holds no node may give code 13);
#   exit 1: no output file exists;
#   anything else (a crash, a sanitizer report, a timeout) is a finding.
# Prints the counts and the findings; exits 1 if there are any.
#
#   fuzz/replay.sh QUILLEN DIR...
# QUILLEN may be a command with arguments ("scripts/wine-run.sh quillen.exe").
set -uo pipefail
quillen=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

total=0 ok=0 refused=0 findings=0
finding() {
    findings=$((findings + 1))
    echo "finding: $1: $2"
}
while IFS= read -r -d '' f; do
    total=$((total + 1))
    rm -rf "${work:?}"/*
    cp "$f" "$work/in.xml"
    cp "$f" "$work/original"
    # shellcheck disable=SC2086 # a command with arguments
    timeout 60 $quillen "$work/in.xml" >"$work/stdout" 2>"$work/stderr"
    status=$?
    case $status in
    0)
        ok=$((ok + 1))
        cmp -s "$work/in.xml" "$work/original" || finding "$f" "input changed"
        if [ ! -f "$work/in_for.xml" ]; then
            finding "$f" "exit 0 without output"
            continue
        fi
        # shellcheck disable=SC2086 # a command with arguments
        timeout 60 $quillen "$work/in_for.xml" >/dev/null 2>"$work/stderr2"
        again=$?
        if [ $again -eq 1 ] && grep -q 'Error code: 13\.$' "$work/stderr2"; then
            # Empty: only white space or a byte-order mark was printed.
            [ -z "$(LC_ALL=C tr -d ' \t\r\n\357\273\277' <"$work/in_for.xml")" ] ||
                finding "$f" "output does not load again: $(cat "$work/stderr2")"
        elif [ $again -ne 0 ]; then
            finding "$f" "output does not load again: $(cat "$work/stderr2")"
        fi
        ;;
    1)
        refused=$((refused + 1))
        [ -e "$work/in_for.xml" ] && finding "$f" "exit 1 with an output file left behind"
        [ -s "$work/stdout" ] && finding "$f" "exit 1 with a success line"
        ;;
    *)
        finding "$f" "exit status $status: $(head -c 300 "$work/stderr")"
        ;;
    esac
done < <(find "$@" -type f ! -name README.txt ! -path '*/.state/*' -print0)

echo "$((total - findings)) passed, $findings failed"
echo "replay: $total inputs, $ok saved, $refused refused, $findings findings"
[ "$findings" -eq 0 ]
