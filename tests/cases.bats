#!/usr/bin/env bats
# Short cases, a line each in cases/refused.tsv and cases/saved.tsv: what
# tinyxml2 cannot parse, what quillen refuses because tinyxml2 would read it
# wrongly, and what it keeps as written where tinyxml2 would change it.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

# Calls CHECK with the two fields of each line of TABLE but its comments.
each_case() {
    local rows row first second
    mapfile -t rows < <(grep -v '^#' "$data/cases/$1")
    for row in "${rows[@]}"; do
        IFS=$'\t' read -r first second <<<"$row"
        "$2" "$first" "$second"
    done
}

# The code, then the file's bytes (a printf format).
refused_with() {
    echo "case: $2"
    # shellcheck disable=SC2059 # the bytes are given as a format
    printf -- "$2" >data.xml
    remember
    run --separate-stderr quillen data.xml
    assert_refused "Error loading file: data.xml. Error code: $1."
}

# The file's bytes, then the output's, or "=" for the same bytes.
saved_as() {
    echo "case: $1"
    # shellcheck disable=SC2059 # the bytes are given as a format
    printf -- "$1" >data.xml
    # shellcheck disable=SC2059
    if [ "$2" = "=" ]; then printf -- "$1"; else printf -- "$2"; fi >"$BATS_TEST_TMPDIR/expected"
    rm -f data_for.xml
    run --separate-stderr quillen data.xml
    assert_saved data_for.xml
    assert_content data_for.xml "$BATS_TEST_TMPDIR/expected"
}

@test "refused: each file of cases/refused.tsv, with its code, and nothing written" {
    each_case refused.tsv refused_with
}

@test "saved: each file of cases/saved.tsv, as the table gives its output" {
    each_case saved.tsv saved_as
}
