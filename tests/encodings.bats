#!/usr/bin/env bats
# The encoding rule against the encodings that this system's iconv knows:
# each name an XML declaration may give is refused (code 11) or read, as the
# bytes that iconv writes for it say.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

# What iconv writes for '<&]a' and for characters beyond ASCII that some
# encodings write with bytes that are markup (the fullwidth solidus in
# JOHAB and ISO-2022-*, and others), one a line, and what it reads back: in
# bytes/N.written and bytes/N.read for the Nth name given. From and to UTF-8
# whatever the locale (a bare system has only C).
write_and_read_back() {
    local i=0 name
    mkdir -p bytes
    printf '%s\n' '<&]a' ／ う α 中 é € 한 >characters
    for name; do
        i=$((i + 1))
        iconv -c -f UTF-8 -t "$name" characters >"bytes/$i.written" 2>/dev/null || true
        iconv -f "$name" -t UTF-8 "bytes/$i.written" >"bytes/$i.read" 2>/dev/null || true
    done
}

# For each name: "refused" when '<&]a' is not written as its ASCII bytes,
# or not read back from them; or when a character that reads back as itself
# is written with a byte that tinyxml2 reads as markup or a line end (LF,
# CR, ! " & ' - / < = > ?), or starts with a byte below 0x80 that is not a
# letter before a combining mark of 0x80 and above (a shift sequence).
# "read" otherwise.
classes() {
    LC_ALL=C perl -e '
        my @characters = split /\n/, do { local (@ARGV, $/) = ("characters"); <> };
        my $n = 0;
        for my $name (@ARGV) {
            $n++;
            my @written = split /\n/, do { local (@ARGV, $/) = ("bytes/$n.written"); <> } // "", -1;
            my @read = split /\n/, do { local (@ARGV, $/) = ("bytes/$n.read"); <> } // "", -1;
            my $class = "read";
            if (($written[0] // "") ne "<&]a" || ($read[0] // "") ne "<&]a") {
                $class = "refused";
            } else {
                for my $i (1 .. $#characters) {
                    my ($bytes, $back) = ($written[$i] // "", $read[$i] // "");
                    next if $bytes eq "" || $back ne $characters[$i] || $bytes !~ /[\x00-\x7f]/;
                    my $shift = $bytes =~ /^[\x00-\x7f]./s && $bytes !~ /^[A-Za-z][\x80-\xff]+$/;
                    $class = "refused" if $shift || $bytes =~ /[\n\r!"&\x27\-\/<=>?]/;
                }
            }
            print "$name\t$class\n";
        }' "$@"
}

@test "encodings: each name that iconv knows is refused or read, as the bytes iconv writes say" {
    local names name class expected count=0
    command -v iconv >/dev/null || skip "iconv is not installed"
    mapfile -t names < <(iconv -l | sed 's|/*$||')
    [ "${#names[@]}" -gt 100 ] || fail "iconv -l lists ${#names[@]} names"
    write_and_read_back "${names[@]}"
    while IFS=$'\t' read -r name class; do
        count=$((count + 1))
        # Under Wine a run takes a tenth of a second: every tenth name.
        [ "$platform" != windows ] || [ $((count % 10)) -eq 0 ] || continue
        expected=""
        [ "$class" = read ] || expected="Error loading file: data.xml. Error code: 11."
        printf '<?xml version="1.0" encoding="%s"?>\n<a/>\n' "$name" >data.xml
        if [ "$platform" = windows ]; then
            quillen data.xml >/dev/null 2>stderr || true
        else
            # shellcheck disable=SC2086 # a command with arguments
            $QUILLEN data.xml >/dev/null 2>stderr || true # a thousand runs, without the helper's checks
        fi
        [ "$(<stderr)" = "$expected" ] || fail "$name: expected '${expected:-saved}', got '$(<stderr)'"
    done < <(classes "${names[@]}")
}
