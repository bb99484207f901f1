#!/usr/bin/env bash
# make fuzz SECONDS=N: fuzzes quillen on file input with AFL++ for N seconds
# (two instances, one per core), on an instrumented build with AddressSanitizer
# and UBSan, seeded from the test inputs. Crashes, hangs and sanitizer reports
# are findings. Then every input AFL++ kept is replayed through the normal
# build and judged (tests/roundtrip.sh). Results stay in fuzz/out/.
set -euo pipefail
seconds=${1:-600}
here=$(cd "$(dirname "$0")" && pwd)
root=$here/..
cd "$root"

if [ ! -f build-fuzz/CMakeCache.txt ]; then
    CC=afl-clang-fast CXX=afl-clang-fast++ cmake -S . -B build-fuzz -DQUILLEN_SANITIZE=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH="$root/.deps/afl" -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build build-fuzz >/dev/null

seeds=$here/out/seeds
rm -rf "$seeds" && mkdir -p "$seeds"
for f in tests/layout/*.xml examples/*.xml tests/regressions/*.xml; do
    [ -f "$f" ] && [ "$(wc -c <"$f")" -lt 65536 ] && [[ $f != *_for.xml ]] && cp "$f" "$seeds/"
done

# quillen writes NAME_for.xml beside its input: each instance gets its own
# folder and an input named input.xml (AFL++'s default name has no usable '.').
export AFL_SKIP_CPUFREQ=1 AFL_NO_UI=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1
run() {
    local name=$1 role=$2 dir=$here/out/work-$1
    mkdir -p "$dir"
    afl-fuzz "$role" "$name" -i "$seeds" -o "$here/out/afl" -V "$seconds" -t 2000 \
        -x "$here/xml.dict" -f "$dir/input.xml" -- "$root/build-fuzz/quillen" "$dir/input.xml" \
        >"$here/out/$name.log" 2>&1
}
echo "fuzz: two AFL++ instances for $seconds s; logs in fuzz/out/*.log" >&2
run main -M &
run second -S &
wait

NAME="id:*" "$root/tests/roundtrip.sh" "$root/build/quillen" "$here"/out/afl/*/{queue,crashes,hangs}
