#!/usr/bin/env bats
# The man page, make install and the Debian package of the build in
# QUILLEN_BUILD_DIR.

# shellcheck source=tests/helpers.bash
source "$BATS_TEST_DIRNAME/helpers.bash"

@test "man page: groff and mandoc find nothing to complain about" {
    command -v groff >/dev/null && command -v mandoc >/dev/null ||
        skip "groff or mandoc is not installed (scripts/setup.sh docs)"
    local page=$QUILLEN_BUILD_DIR/quillen.1
    run groff -man -ww -z "$page"
    assert_success
    assert_output ""
    run mandoc -T lint "$page"
    assert_success
    assert_output ""
    assert_file_contains "$page" "quillen $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$QUILLEN_BUILD_DIR/CMakeCache.txt")"
}

@test "install: DESTDIR and the prefix are honoured" {
    DESTDIR=$PWD/root run cmake --install "$QUILLEN_BUILD_DIR" --prefix /opt/q
    assert_success
    assert_file_executable root/opt/q/bin/quillen
    assert_file_exists root/opt/q/share/man/man1/quillen.1
}

@test "package: the .deb holds the program and its manual, and the program works" {
    command -v dpkg-deb >/dev/null || skip "dpkg-deb is not installed"
    # dpkg-shlibdeps needs every shared library to come from a package.
    ! grep -q '^QUILLEN_STATIC:BOOL=OFF' "$QUILLEN_BUILD_DIR/CMakeCache.txt" ||
        skip "a shared build is packaged by the distribution, against its own tinyxml2"
    run cpack -G DEB --config "$QUILLEN_BUILD_DIR/CPackConfig.cmake" -B "$PWD/pkg"
    assert_success
    local deb
    deb=$(echo pkg/quillen_*_*.deb)
    assert_file_exists "$deb"
    assert_equal "$(dpkg-deb -f "$deb" Section)" utils
    dpkg-deb -x "$deb" root
    assert_file_exists root/usr/share/man/man1/quillen.1
    cp "$data/../examples/catalog.xml" catalog.xml
    QUILLEN=$PWD/root/usr/bin/quillen run --separate-stderr quillen catalog.xml
    assert_saved catalog_for.xml
}
