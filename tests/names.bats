#!/usr/bin/env bats
# Output names: only a '.' in the file name counts, and not one that starts it.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

# A run from the sub/ folder, so that ../ works.
saved_as() { # INPUT OUTPUT
    mkdir -p sub/out sub/dir sub/dir.d
    echo "$doc" >"sub/$1"
    cd sub || return
    run --separate-stderr quillen "$1"
    assert_saved "$2"
    assert_equal "$(wc -l <"$2")" 3
}
@test "name: data.xml is saved as data_for.xml" { saved_as data.xml data_for.xml; }
@test "name: archive.tar.xml is saved as archive.tar_for.xml" { saved_as archive.tar.xml archive.tar_for.xml; }
@test "name: out/data.xml is saved as out/data_for.xml" { saved_as out/data.xml out/data_for.xml; }
@test "name: ../data.xml is saved as ../data_for.xml" { saved_as ../data.xml ../data_for.xml; }
@test "name: ./data.xml is saved as ./data_for.xml" { saved_as ./data.xml ./data_for.xml; }
@test "name: name. is saved as name_for." {
    skip_on_windows "Windows drops a trailing '.' from file names"
    saved_as name. name_for.
}
@test "name: an output name of 255 bytes, the most a file system allows" {
    local base
    base=$(printf 'n%.0s' {1..247})
    saved_as "$base.xml" "${base}_for.xml"
    assert_equal "$(find . -name '.?*')" ""  # no temporary file left
}

# The input exists and loads; its name has no usable '.'.
refused_name() {
    mkdir -p sub/dir sub/dir.d
    echo "$doc" >"sub/$1"
    cd sub || return
    remember
    run --separate-stderr quillen "$1"
    assert_refused "Invalid file name format."
}
@test "name: file is refused after a successful load" { refused_name file; }
@test "name: .xml is refused after a successful load" { refused_name .xml; }
@test "name: ./file is refused after a successful load" { refused_name ./file; }
@test "name: dir/.xml is refused after a successful load" { refused_name dir/.xml; }
@test "name: dir.d/file is refused after a successful load" { refused_name dir.d/file; }
@test "name: ../file is refused after a successful load" { refused_name ../file; }

@test "name: a refused name that cannot be loaded gets the load error" {
    run --separate-stderr quillen file
    assert_refused "Error loading file: file. Error code: 3."
    printf '<a>' >.xml
    remember
    run --separate-stderr quillen .xml
    assert_refused "Error loading file: .xml. Error code: 14."
}

# '\' separates directories on Windows only; elsewhere it is part of a name.
@test "name: backslash" {
    mkdir -p dir.d dir
    if [ "$platform" = windows ]; then
        echo "$doc" >dir/name.xml
        echo "$doc" >dir.d/file
        run --separate-stderr quillen 'dir\name.xml'
        assert_saved 'dir\name_for.xml'
        remember
        run --separate-stderr quillen 'dir.d\file'
        assert_refused "Invalid file name format."
    else
        echo "$doc" >'dir.d\file'
        run --separate-stderr quillen 'dir.d\file'
        assert_saved 'dir_for.d\file'
    fi
}
