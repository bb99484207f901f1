#!/usr/bin/env bats
# The documentation: every relative link in README.md and doc/*.md points at
# a file that exists, and at a heading or anchor of it that exists.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

# Prints "FILE: TARGET" for each relative link of the Markdown files given
# whose file, heading or anchor is missing. A heading's anchor is GitHub's:
# in lower case, without punctuation but '-' and '_', blanks as '-'.
broken_links() {
    perl -CSD -e '
        use strict;
        use File::Basename qw(dirname);
        sub anchors {
            my ($path) = @_;
            open(my $in, "<:encoding(UTF-8)", $path) or return {};
            my (%anchors, $fenced);
            while (my $line = <$in>) {
                $fenced = !$fenced if $line =~ /^```/;
                next if $fenced;
                $anchors{$1} = 1 while $line =~ /<a id="([^"]+)">/g;
                if ($line =~ /^#+\s+(.*?)\s*$/) {
                    (my $slug = lc $1) =~ s/[^\w\- ]//g;
                    $slug =~ s/ /-/g;
                    $anchors{$slug} = 1;
                }
            }
            return \%anchors;
        }
        for my $file (@ARGV) {
            open(my $in, "<:encoding(UTF-8)", $file) or die "$file: $!";
            my $fenced;
            while (my $line = <$in>) {
                $fenced = !$fenced if $line =~ /^```/;
                next if $fenced;
                while ($line =~ /\]\(([^)\s]+)\)/g) {
                    my $target = $1;
                    next if $target =~ m{^[a-z]+:};
                    my ($path, $anchor) = split /#/, $target, 2;
                    $path = $path eq "" ? $file : dirname($file) . "/$path";
                    if (!-e $path) {
                        print "$file: $target\n";
                    } elsif (defined $anchor && !anchors($path)->{$anchor}) {
                        print "$file: $target\n";
                    }
                }
            }
        }' "$@"
}

@test "docs: every relative link in README.md and doc/*.md resolves" {
    cd "$data/.."
    run broken_links README.md doc/*.md
    assert_success
    assert_output ""
    [ "$(grep -c '](doc/' README.md)" -gt 5 ] || fail "README.md links no documents"
}

@test "docs: README.md is a front page, at most 250 lines" {
    [ "$(wc -l <"$data/../README.md")" -le 250 ]
}
