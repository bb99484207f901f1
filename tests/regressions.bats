#!/usr/bin/env bats
# Inputs that once broke quillen: each must end in a clean refusal or in an
# output that loads again.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

@test "regressions: every input in tests/regressions" {
    run "$data/../fuzz/replay.sh" "$QUILLEN" "$data/regressions"
    assert_success
}
