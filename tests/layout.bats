#!/usr/bin/env bats
# The printed layout: each layout/NAME.xml must come out as layout/NAME.expected.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

formats_as_expected() {
    cp "$data/layout/$1.xml" "$1.xml"
    run --separate-stderr quillen "$1.xml"
    assert_saved "$1_for.xml"
    assert_content "$1_for.xml" "$data/layout/$1.expected"
    assert_files_equal "$1.xml" "$data/layout/$1.xml"
}

# A new pair needs its line below; this test says which one is missing.
@test "every layout pair has a test" {
    local tested
    tested=$(sed -n 's/^@test "layout: \([a-z-]*\)".*/\1/p' "$BATS_TEST_FILENAME" | sort)
    assert_equal "$tested" "$(find "$data/layout" -name '*.xml' -printf '%f\n' | sed 's/\.xml$//' | sort)"
}

@test "layout: bom-then-whitespace" { formats_as_expected bom-then-whitespace; }
@test "layout: bom" { formats_as_expected bom; }
@test "layout: comment-after-root" { formats_as_expected comment-after-root; }
@test "layout: document" { formats_as_expected document; }
@test "layout: entities" { formats_as_expected entities; }
@test "layout: line-ends" { formats_as_expected line-ends; }
@test "layout: mixed-content" { formats_as_expected mixed-content; }
@test "layout: no-root" { formats_as_expected no-root; }
@test "layout: nul-ends-document" { formats_as_expected nul-ends-document; }
@test "layout: several-top-level" { formats_as_expected several-top-level; }
@test "layout: stray-end-tag-then-whitespace" { formats_as_expected stray-end-tag-then-whitespace; }
@test "layout: whitespace-only-text" { formats_as_expected whitespace-only-text; }
@test "layout: unknown-entities" { formats_as_expected unknown-entities; }
@test "layout: unknown-entities-after-shortening" { formats_as_expected unknown-entities-after-shortening; }
