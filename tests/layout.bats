#!/usr/bin/env bats
# The printed layout: each layout/NAME.xml must come out as layout/NAME.expected.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

@test "layout: each layout/NAME.xml comes out as NAME.expected, the input unchanged" {
    local input name
    for input in "$data"/layout/*.xml; do
        name=$(basename "$input" .xml)
        echo "case: layout/$name.xml"
        cp "$input" "$name.xml"
        run --separate-stderr quillen "$name.xml"
        assert_saved "${name}_for.xml"
        assert_content "${name}_for.xml" "$data/layout/$name.expected"
        assert_files_equal "$name.xml" "$input"
    done
}
