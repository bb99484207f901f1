# The man page, make install and the Debian package of the build in
# QUILLEN_BUILD_DIR.

build=$QUILLEN_BUILD_DIR
example=$data/../examples/catalog.xml

TEST "man page: groff and mandoc find nothing to complain about"
if ! command -v groff >/dev/null || ! command -v mandoc >/dev/null; then
    SKIP "groff or mandoc is not installed (scripts/setup.sh docs)"
else
    groff -man -ww -z "$build/quillen.1" >warnings 2>&1 || fail "groff failed"
    mandoc -T lint "$build/quillen.1" >>warnings 2>&1 || fail "mandoc failed"
    [ -s warnings ] && fail "$(cat warnings)"
    grep -q "quillen $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" "$build/quillen.1" ||
        fail "the page does not carry the project's version"
fi

TEST "install: DESTDIR and the prefix are honoured"
DESTDIR=$PWD/root cmake --install "$build" --prefix /opt/q >log 2>&1 || fail "install failed: $(cat log)"
[ -x root/opt/q/bin/quillen ] || fail "bin/quillen missing"
[ -f root/opt/q/share/man/man1/quillen.1 ] || fail "share/man/man1/quillen.1 missing"

TEST "package: the .deb holds the program and its manual, and the program works"
if ! command -v dpkg-deb >/dev/null; then
    SKIP "dpkg-deb is not installed"
elif grep -q '^QUILLEN_STATIC:BOOL=OFF' "$build/CMakeCache.txt"; then
    # dpkg-shlibdeps needs every shared library to come from a package.
    SKIP "a shared build is packaged by the distribution, against its own tinyxml2"
else
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$PWD/pkg" >log 2>&1 || fail "cpack failed: $(cat log)"
    deb=$(ls pkg/quillen_*_*.deb 2>/dev/null)
    [ -f "$deb" ] || fail "no quillen_VERSION_ARCH.deb"
    [ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section is not utils"
    dpkg-deb -x "$deb" root
    [ -f root/usr/share/man/man1/quillen.1 ] || fail "manual missing"
    cp "$example" catalog.xml
    QUILLEN=$PWD/root/usr/bin/quillen
    quillen catalog.xml
    expect_saved catalog_for.xml
fi
