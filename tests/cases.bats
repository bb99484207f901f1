#!/usr/bin/env bats
# Short cases, a line each in cases/refused.tsv and cases/saved.tsv: what
# tinyxml2 cannot parse, what quillen refuses because tinyxml2 would read it
# wrongly, and what it keeps as written where tinyxml2 would change it.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

# The lines of a table, without its comments, into the array rows.
read_cases() { mapfile -t rows < <(grep -v '^#' "$data/cases/$1"); }

@test "refused: each file of cases/refused.tsv, with its code, and nothing written" {
    local rows row code bytes
    read_cases refused.tsv
    for row in "${rows[@]}"; do
        IFS=$'\t' read -r code bytes <<<"$row"
        echo "case: $bytes"
        # shellcheck disable=SC2059 # the bytes are given as a format
        printf -- "$bytes" >data.xml
        remember
        run --separate-stderr quillen data.xml
        assert_refused "Error loading file: data.xml. Error code: $code."
    done
}

@test "saved: each file of cases/saved.tsv, as the table gives its output" {
    local rows row bytes expected
    read_cases saved.tsv
    for row in "${rows[@]}"; do
        IFS=$'\t' read -r bytes expected <<<"$row"
        echo "case: $bytes"
        [ "$expected" != "=" ] || expected=$bytes
        # shellcheck disable=SC2059
        printf -- "$bytes" >data.xml
        # shellcheck disable=SC2059
        printf -- "$expected" >"$BATS_TEST_TMPDIR/expected"
        rm -f data_for.xml
        run --separate-stderr quillen data.xml
        assert_saved data_for.xml
        assert_content data_for.xml "$BATS_TEST_TMPDIR/expected"
    done
}
