# shellcheck shell=bash
# What the judges that compare a reader's text (tests/office-judge.sh,
# tests/fo-judge.sh) share (sourced): the text of a PDF, and how two texts
# are shown where they differ.

# The text of the PDF file given as pdftotext reads it twice: in reading
# order, then laid out as on the page (which also sees a line that moved
# sideways).
pdf_text() {
    printf '=== as printed, in reading order\n'
    pdftotext -enc UTF-8 "$1" - 2>/dev/null
    printf '=== as printed, laid out\n'
    pdftotext -layout -enc UTF-8 "$1" - 2>/dev/null
}

# The first lines in which FIRST and SECOND differ (three of each at most),
# quoted, with the names A and B, and the part of the text they are in.
first_difference() {
    local line section
    line=$(diff "$1" "$2" | sed -n '1s/^\([0-9]*\).*/\1/p')
    section=$(head -n "${line:-1}" "$1" | grep '^=== ' | tail -n 1)
    diff -U0 "$1" "$2" | sed -n '3,$p' | LC_ALL=C awk -v a="$3" -v b="$4" -v section="${section#=== }" '
        /^@@/ { if (hunks++) exit; split($2, x, ","); split($3, y, ",")
                printf "    %s, from line %d (%s), %d (%s):\n", section, substr(x[1], 2), a, y[1], b; next }
        /^\\/ { next }
        { side = substr($0, 1, 1) == "-" ? a : b; line = substr($0, 2)
          sub(/^\357\273\277/, "", line)
          if (length(line) > 160) line = substr(line, 1, 160) "..."
          if (++shown[side] <= 3) printf "      %-10s \"%s\"\n", side ":", line }'
}
