# The printed layout: each layout/NAME.xml must come out as layout/NAME.expected.

for input in "$data"/layout/*.xml; do
    name=$(basename "$input" .xml)
    TEST "layout: $name"
    cp "$input" "$name.xml"
    quillen "$name.xml"
    expect_saved "${name}_for.xml"
    expect_content "${name}_for.xml" "$data/layout/$name.expected"
    cmp -s "$name.xml" "$input" || fail "the input was changed"
done
