#!/usr/bin/env bash
# Runs one bats file for CTest: QUILLEN_TEST_FILTER (make test FILTER=...)
# selects tests by name, and a file whose every test was skipped exits 77,
# which CTest shows as skipped.
set -uo pipefail
filter=()
[ -n "${QUILLEN_TEST_FILTER:-}" ] && filter=(--filter "$QUILLEN_TEST_FILTER")
out=$(mktemp)
trap 'rm -f "$out"' EXIT
bats --tap "${filter[@]}" "$1" | tee "$out"
status=${PIPESTATUS[0]}
if [ "$status" -eq 0 ] && grep -q '^ok ' "$out" && ! grep '^ok ' "$out" | grep -vq ' # skip'; then
    exit 77
fi
exit "$status"
