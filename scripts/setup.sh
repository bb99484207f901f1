#!/usr/bin/env bash
# Makes sure everything quillen builds with is present, installing what is
# missing on Debian-like systems.
#
#   scripts/setup.sh native   toolchain + tinyxml2 >= 10 for the normal build
#   scripts/setup.sh asan     tinyxml2 built with AddressSanitizer and UBSan
#   scripts/setup.sh fuzz     clang, libFuzzer, libxml2 and tinyxml2 built for fuzzing
#   scripts/setup.sh mingw    MinGW-w64 cross toolchain + tinyxml2 for Windows
#   scripts/setup.sh lint     clang-tidy, clang-format, cppcheck
#   scripts/setup.sh bench    the formatters compared, Python, gnuplot and valgrind, for the benchmark
#   scripts/setup.sh prettier prettier's XML plugin from npm, a peer in the benchmark and the judges
#   scripts/setup.sh translation  the readers of translation files (a part of test)
#   scripts/setup.sh test     bats and its libraries, and the tools the suites call,
#                             the readers that judge among them (Chromium, LibreOffice)
#   scripts/setup.sh wine     Wine, to run the Windows build
#   scripts/setup.sh bare     debootstrap, for make check-bare
#   scripts/setup.sh tables   what makes the generated tables (make tables): ICU,
#                             the WHATWG encoding labels and HTML's rendering rules
#                             from npm, and the schemas of XHTML, OpenDocument,
#                             DocBook, DITA, XSL-FO and Mallard
#   scripts/setup.sh archive-uri RELEASE
#                             prints the archive this system's apt uses for RELEASE
#
# tinyxml2 is built from Debian's source package of a recent release into
# .deps/, which git ignores, with the fixes in patches/ applied: every release
# so far has a fault that quillen cannot work around (see the patch), so the
# system's package is not used. The source is fetched with apt from the
# archive this system's apt already uses, so apt checks the signatures and
# checksums.
set -euo pipefail

variant=${1:-native}
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/.deps
minMajor=10

say() { printf 'setup: %s\n' "$*" >&2; }
die() { say "$*"; exit 1; }

# Installs the Debian packages given, or says exactly what to install.
# Elsewhere than on Debian and its kin, what is needed is up to the user.
need_packages() {
    command -v dpkg-query >/dev/null || return 0
    local recommends=--no-install-recommends
    if [ "$1" = --with-recommends ]; then
        recommends=
        shift
    fi
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        die "missing packages; as root run: apt-get install ${missing[*]}"
    fi
    say "installing ${missing[*]}"
    if [ ! -e "$deps/.apt-updated" ] || [ -n "$(find "$deps/.apt-updated" -mmin +720)" ]; then
        apt-get update -qq >/dev/null
        mkdir -p "$deps" && touch "$deps/.apt-updated"
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $recommends "${missing[@]}" >/dev/null
}

if ! command -v dpkg-query >/dev/null; then
    for tool in c++ cmake make; do
        command -v "$tool" >/dev/null || die "$tool is missing: install a C++17 compiler, CMake >= 3.16 and make"
    done
    # CMake finds tinyxml2 >= 10 and checks it for the fault, or says how to
    # point it at a fixed one.
    [ "$variant" = native ] && exit 0
fi

# What the patches are, and how this script builds: a source or a build made
# otherwise is made again.
patches=$(cat "$root"/patches/tinyxml2-*.patch | cksum | cut -d' ' -f1)
recipe=$(cat "$root"/patches/tinyxml2-*.patch "$0" | cksum | cut -d' ' -f1)

# The archive that this system's apt uses for the release named, or nothing.
archive_uri() {
    # shellcheck disable=SC2016 # apt's own format, not the shell's
    apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2>/dev/null |
        awk -v rel="$1" '$2 == rel { print $1; exit }'
}

# Unpacks tinyxml2's Debian source package into .deps/src/tinyxml2 and
# applies patches/.
fetch_source() {
    local src=$deps/src/tinyxml2
    [ "$(cat "$src/.patches" 2>/dev/null)" = "$patches" ] && return 0
    need_packages dpkg-dev xz-utils patch

    # The archive that serves this system's own release, and the releases
    # to take the source from: the system's own, and on Debian also trixie
    # (Debian 12 has tinyxml2 9); apt takes the newest.
    local codename distribution uri suites
    # shellcheck source=/dev/null # the system's own
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    # shellcheck source=/dev/null
    distribution=$(. /etc/os-release && echo "${ID:-}")
    suites=${TINYXML2_SUITE:-$codename}
    [ -z "${TINYXML2_SUITE:-}" ] && [ "$distribution" = debian ] && [ "$codename" != trixie ] && suites+=" trixie"
    uri=$(archive_uri "$codename")
    [ -n "$uri" ] || die "cannot tell which Debian archive apt uses; build tinyxml2 >= $minMajor with patches/ applied by hand"

    local tmp
    tmp=$(mktemp -d)
    mkdir -p "$tmp/lists/partial" "$tmp/cache/archives/partial"
    for suite in $suites; do
        echo "deb-src $uri $suite main"
    done >"$tmp/sources.list"
    # Everything apt writes goes to the temporary folder, so this works
    # without root and leaves the system's apt state alone.
    local apt=(apt-get -qq -o Dir::Etc::sourcelist="$tmp/sources.list" -o Dir::Etc::sourceparts=-
        -o Dir::State::Lists="$tmp/lists" -o Dir::Cache="$tmp/cache" -o Debug::NoLocking=1
        -o APT::Sandbox::User="$(id -un)")
    say "fetching tinyxml2's source package ($suites)"
    "${apt[@]}" update >/dev/null
    (cd "$tmp" && "${apt[@]}" source --download-only tinyxml2 >/dev/null)
    # apt has checked the files against the signed index; dpkg-source checks
    # their checksums (the uploader's key is not on the system, hence 2>).
    (cd "$tmp" && dpkg-source -x tinyxml2_*.dsc unpacked >/dev/null 2>&1) || die "cannot unpack tinyxml2's source"
    local major
    major=$(sed -n 's/^#define TINYXML2_MAJOR_VERSION \([0-9]*\).*/\1/p' "$tmp/unpacked/tinyxml2.h")
    [ "${major:-0}" -ge "$minMajor" ] || die "the newest tinyxml2 in $suites is $major; need >= $minMajor"
    for fix in "$root"/patches/tinyxml2-*.patch; do
        # A release that has the fix already is left as it is.
        patch -d "$tmp/unpacked" -p1 -R --dry-run --quiet <"$fix" >/dev/null 2>&1 ||
            patch -d "$tmp/unpacked" -p1 --quiet <"$fix" || die "cannot apply $(basename "$fix")"
    done
    echo "$patches" >"$tmp/unpacked/.patches"
    mkdir -p "$deps/src"
    rm -rf "$src"
    mv "$tmp/unpacked" "$src"
    rm -rf "$tmp"
}

# Builds and installs tinyxml2 into .deps/<prefix> with extra CMake arguments.
build_tinyxml2() {
    local name=$1 shared=$2
    shift 2
    local prefix=$deps/$name build=$deps/build/$name-$shared
    cmake -S "$deps/src/tinyxml2" -B "$build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
        -DBUILD_SHARED_LIBS="$shared" -Dtinyxml2_BUILD_TESTING=OFF \
        -DCMAKE_POSITION_INDEPENDENT_CODE=ON "$@" >/dev/null
    cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" >/dev/null
    cmake --install "$build" >/dev/null
}

# Builds a tinyxml2 variant once; a stamp file makes later runs instant.
tinyxml2_variant() {
    local name=$1
    shift
    [ "$(cat "$deps/$name/.done" 2>/dev/null)" = "$recipe" ] && return 0
    fetch_source
    say "building tinyxml2 ($name) into .deps/$name"
    rm -rf "${deps:?}/$name" "$deps/build"
    "$@"
    echo "$recipe" >"$deps/$name/.done"
}

# The normal build links tinyxml2 into a static program, optimised across
# both at link time: position-dependent code there runs about 4% fewer
# instructions, and link-time optimisation 7% fewer. The shared library is
# there for the shared-build option.
build_native() {
    build_tinyxml2 native OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON
    build_tinyxml2 native ON
}

case $variant in
native)
    need_packages g++ cmake make
    tinyxml2_variant native build_native
    ;;
asan)
    need_packages g++ cmake make
    tinyxml2_variant asan build_tinyxml2 asan OFF \
        -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -g"
    ;;
fuzz)
    need_packages clang libclang-rt-dev libxml2-dev cmake make
    tinyxml2_variant fuzz build_tinyxml2 fuzz OFF -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -g"
    ;;
test)
    # The XHTML and DocBook DTDs, read through the system XML catalog by the
    # roundtrip judge, and xsltproc, with which it sets aside the white space
    # that is only layout; file for dpkg-shlibdeps in the package test;
    # strace to hold a run in its rename; GNU parallel, an ssh server and
    # client and rsync for the recipes for many files.
    need_packages bats bats-support bats-assert bats-file libxml2-utils xsltproc groff-base mandoc dpkg-dev file strace \
        w3c-sgml-lib docbook-xml parallel openssh-server openssh-client rsync
    # The readers that judge what a document shows: a browser (Debian's
    # chromium, driven by puppeteer-core from npm, which brings no browser
    # of its own), LibreOffice with pdftotext and zip, the DocBook XSL
    # stylesheets; and a font for them to draw with.
    need_packages chromium fonts-dejavu-core libreoffice-writer-nogui libreoffice-calc-nogui \
        libreoffice-impress-nogui poppler-utils zip unzip docbook-xsl docbook-xsl-ns
    # The readers of print layouts (FOP, with a Java compiler so that one
    # Java process renders many documents) and of XAML, a model in Python;
    # the readers of translation files.
    need_packages fop openjdk-17-jdk-headless python3
    # yelp-xsl renders Mallard help pages (yelp-build, of yelp-tools).
    need_packages yelp-tools yelp-xsl
    "$0" translation
    # ca-certificates: npm reaches its registry over TLS.
    command -v npm >/dev/null || need_packages nodejs npm ca-certificates
    if [ ! -f "$deps/browser/node_modules/puppeteer-core/package.json" ]; then
        say "installing puppeteer-core into .deps/browser"
        PUPPETEER_SKIP_DOWNLOAD=1 npm install --no-save --no-audit --no-fund --prefix "$deps/browser" \
            puppeteer-core@24.43.1 >/dev/null
    fi
    ;;
bench)
    # The peers quillen is measured against, and gnuplot for the plot.
    need_packages libxml2-utils xmlstarlet tidy xml-twig-tools python3 time gnuplot-nox valgrind
    "$0" prettier
    ;;
translation)
    # The readers of translation files: the Translate Toolkit, Qt's
    # lconvert, and Angular's translation loader from npm, pinned (its
    # newer releases need a newer Node than Debian's).
    need_packages python3-translate qt6-l10n-tools
    command -v npm >/dev/null || need_packages nodejs npm ca-certificates
    if [ ! -f "$deps/translation/node_modules/@angular/localize/package.json" ]; then
        say "installing Angular's translation loader into .deps/translation"
        npm install --no-save --no-audit --no-fund --prefix "$deps/translation" @angular/localize@20.3.35 \
            @angular/compiler@20.3.35 @angular/compiler-cli@20.3.35 typescript@5.9.3 >/dev/null
    fi
    ;;
prettier)
    # prettier's XML plugin, the formatter most people reach for, pinned:
    # a peer in the benchmark and beside quillen in every reader's judge.
    command -v npm >/dev/null || need_packages nodejs npm ca-certificates
    if [ ! -f "$deps/prettier/node_modules/@prettier/plugin-xml/package.json" ]; then
        say "installing prettier and its XML plugin into .deps/prettier"
        npm install --no-save --no-audit --no-fund --prefix "$deps/prettier" \
            prettier@3.10.2 @prettier/plugin-xml@3.4.2 >/dev/null
    fi
    ;;
lint)
    need_packages clang-tidy clang-format cppcheck shellcheck
    ;;
wine)
    # As Wine is usually installed, with what it recommends.
    need_packages --with-recommends wine wine64
    # Wine makes its prefix on first use, noisily and with work going on in
    # the background: do it here, and wait until it is done.
    if [ ! -e "$deps/wineprefix/.done" ]; then
        say "creating the Wine prefix in .deps/wineprefix"
        "$root/scripts/wine-run.sh" wineboot --init >/dev/null 2>&1 || true
        WINEPREFIX=$deps/wineprefix wineserver --wait || true
        touch "$deps/wineprefix/.done"
    fi
    ;;
mingw)
    need_packages g++-mingw-w64-x86-64-posix cmake make
    tinyxml2_variant mingw build_tinyxml2 mingw OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -Dtinyxml2_INSTALL_PKGCONFIG=OFF
    ;;
bare)
    need_packages debootstrap
    ;;
tables)
    # The WHATWG Encoding Standard's label table as npm's whatwg-encoding
    # package ships it, and HTML's rendering rules as npm's html-styles
    # ships them, pinned, into .deps/npm. Debian's own python3 reads the
    # schemas, with python3-lxml and the OpenDocument schema's tables in
    # python3-odf; fop ships XSL-FO's schema, mallard-rng Mallard's.
    need_packages python3 icu-devtools w3c-sgml-lib python3-lxml python3-odf docbook-xml docbook5-xml dita-ot \
        fop mallard-rng
    command -v npm >/dev/null || need_packages npm ca-certificates
    if [ ! -f "$deps/npm/node_modules/whatwg-encoding/lib/labels-to-names.json" ] ||
        [ ! -f "$deps/npm/node_modules/html-styles/index.json" ]; then
        say "installing whatwg-encoding and html-styles into .deps/npm"
        npm install --no-save --no-audit --no-fund --prefix "$deps/npm" whatwg-encoding@3.1.1 html-styles@1.0.0 >/dev/null
    fi
    ;;
archive-uri)
    archive_uri "${2:?name the release}"
    ;;
*)
    die "unknown variant '$variant' (native, asan, fuzz, mingw, lint, wine, bench, prettier, translation, test, bare, tables, archive-uri)"
    ;;
esac
