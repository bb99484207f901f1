#!/usr/bin/env bash
# make bench: generates the inputs (once; the same bytes every time), then
# times quillen against the formatters a user would pick instead. ROUNDS=N
# for another number of rounds (default 9).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/..
"$root/scripts/setup.sh" bench
data=$here/data
generator=$(cksum <"$here/gen.py")
if [ "$(cat "$data/.done" 2>/dev/null)" != "$generator" ]; then
    echo "bench: generating inputs in bench/data" >&2
    rm -rf "$data"
    python3 "$here/gen.py" "$data"
    echo "$generator" >"$data/.done"
fi
python3 "$here/bench.py" "$root/build/quillen" "$data" "${ROUNDS:-9}"
