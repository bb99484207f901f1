#!/usr/bin/env bash
# make bench: generates the inputs (once; the same bytes every time), then
# times quillen against xmllint --format and /bin/true. ROUNDS=N for more.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/..
"$root/scripts/setup.sh" bench
data=$here/data
if [ ! -e "$data/.done" ]; then
    echo "bench: generating inputs in bench/data" >&2
    rm -rf "$data"
    python3 "$here/gen.py" "$data"
    touch "$data/.done"
fi
python3 "$here/bench.py" "$root/build/quillen" "$data" "${ROUNDS:-7}"
