#!/usr/bin/env bash
# make fuzz SECONDS=N: runs the libFuzzer target (fuzz/target.cpp: quillen's
# load rules and print, judged by libxml2) for N seconds, one job per core,
# seeded from the test inputs, with the XML dictionary. The corpus grows in
# fuzz/out/corpus from run to run. Every finding is copied into
# tests/regressions/, which the test suite replays. Ends with the run's
# figures, and exits 1 if there were findings.
set -euo pipefail
seconds=${1:-600}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
cd "$root"

if [ ! -f build-fuzz/CMakeCache.txt ]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQUILLEN_FUZZ=ON -DQUILLEN_SANITIZE=ON -DQUILLEN_STATIC=OFF \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH="$root/.deps/fuzz" -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build build-fuzz --target quillen-fuzz >/dev/null

out=$here/out
corpus=$out/corpus
findings=$out/findings
rm -rf "$findings"
mkdir -p "$corpus" "$findings"
for seed in tests/layout/*.xml tests/roundtrip/*.xml tests/regressions/* examples/*.xml; do
    [ "$(wc -c <"$seed")" -le 4096 ] && cp "$seed" "$corpus/seed-$(basename "$seed")"
done

jobs=$(nproc 2>/dev/null || echo 2)
echo "fuzz: $jobs jobs for $seconds s; log in fuzz/out/fuzz.log" >&2
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build-fuzz/quillen-fuzz -fork="$jobs" -ignore_crashes=1 -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -dict="$here/xml.dict" -artifact_prefix="$findings/" "$corpus" >"$out/fuzz.log" 2>&1 || true

found=0
for finding in "$findings"/*; do
    [ -f "$finding" ] || continue
    found=$((found + 1))
    cp "$finding" "tests/regressions/fuzz-$(basename "$finding").xml"
    echo "fuzz: finding $(basename "$finding") copied to tests/regressions/" >&2
done
# The last status line: "#RUNS: cov: EDGES ft: FEATURES corp: INPUTS/SIZE exec/s: RATE ..."
status=$(grep -E '^#[0-9]+: cov: ' "$out/fuzz.log" | tail -1)
runs=$(sed -E 's/^#([0-9]+):.*/\1/' <<<"$status")
echo "fuzz: $runs runs in $seconds s on $jobs cores ($((runs / seconds)) per second);" \
    "coverage: $(sed -E 's/.* cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*/\1 edges, \2 features, corpus of \3 inputs/' <<<"$status");" \
    "$found findings"
[ "$found" -eq 0 ]
