#!/usr/bin/env bats
# What a reader sees, judged by the reader: realistic pages read by a
# browser as HTML and as XHTML (tests/browser-judge.sh), OpenDocument files
# read by LibreOffice (tests/office-judge.sh), DocBook rendered by the
# DocBook XSL stylesheets and read by a browser (tests/docbook-judge.sh),
# print layouts printed by FOP (tests/fo-judge.sh), Mallard pages rendered
# by yelp-xsl and read by a browser (tests/mallard-judge.sh), XLIFF, Android and Qt
# translation files by their loaders (tests/translation-judge.sh), XAML read
# by a model of its white-space rules (tests/xaml-judge.sh). Each judge says exactly what it compares; here every document must come
# out the same.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

# Runs JUDGE on a scratch copy of the documents given, the findings kept in
# the test's folder.
judge() {
    local judge=$1
    shift
    cp -r "$@" .
    BROWSER_FINDINGS=$BATS_TEST_TMPDIR/findings OFFICE_FINDINGS=$BATS_TEST_TMPDIR/findings \
        run "$data/$judge" "$QUILLEN" .
    assert_success
}

@test "readers: realistic XHTML pages look the same in a browser, read as HTML and as XHTML" {
    judge browser-judge.sh "$data"/browser/pages/*
    assert_output --partial ", 0 findings"
}

@test "readers: realistic OpenDocument files read the same in LibreOffice" {
    judge office-judge.sh "$data"/office/*
    assert_output --partial ", 0 findings"
}

@test "readers: DocBook documents render the same through the DocBook stylesheets" {
    judge docbook-judge.sh "$data"/layout/docbook-manual-page.xml "$data"/layout/docbook5-article.xml
    assert_output --partial ", 0 findings"
}

@test "readers: pages with elements HTML lays out its own way look the same, read as HTML and as XHTML" {
    judge browser-judge.sh "$data"/browser/faults/*
    assert_output --partial ", 0 findings"
}

@test "readers: XSL-FO documents print the same text through FOP" {
    judge fo-judge.sh "$data"/fo/*.fo
    assert_output --partial ", 0 findings"
}

@test "readers: XAML windows and documents read the same to a model of XAML's white-space rules" {
    judge xaml-judge.sh "$data"/xaml/cases/*
    assert_output --partial ", 0 findings"
}

@test "readers: translation files read the same to Angular's loader, the Translate Toolkit and lconvert" {
    judge translation-judge.sh "$data"/translation/cases/*
    assert_output --partial ", 0 findings"
}

@test "readers: Mallard pages render the same through yelp-xsl" {
    judge mallard-judge.sh "$data"/mallard/*
    assert_output --partial ", 0 findings"
}
