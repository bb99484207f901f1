#!/usr/bin/env bats
# Every document here is refused, or written back so that libxml2 reads the
# same as in the input (tests/roundtrip.sh says exactly what is checked).

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

roundtrip() {
    run "$data/roundtrip.sh" "$QUILLEN" "$@"
    assert_success
}

@test "roundtrip: realistic documents" { roundtrip "$data/roundtrip" "$data/../examples"; }
@test "roundtrip: the layout cases" { roundtrip "$data/layout"; }
@test "roundtrip: inputs that once broke quillen (tests/regressions)" { roundtrip "$data/regressions"; }
