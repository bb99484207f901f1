# quillen's entry points. `make demo` and `make check` set up what is missing
# (toolchain, tinyxml2 >= 10) and are quick the second time.

MAKEFLAGS += --no-print-directory
PREFIX ?= /usr/local
SECONDS ?= 600
DEPS := $(CURDIR)/.deps
JOBS := $(shell nproc 2>/dev/null || echo 2)
CMAKE_BUILD = cmake --build $(1) -j$(JOBS)

.PHONY: all deps build demo check check-bare test asan check-asan lint format windows check-windows \
        roundtrip readers corpus bench fuzz tables install deb clean

all: build

deps:
	@scripts/setup.sh native

build: deps
	@test -f build/CMakeCache.txt || cmake -S . -B build -DCMAKE_PREFIX_PATH=$(DEPS)/native
	@$(call CMAKE_BUILD,build)

demo: build
	build/quillen examples/catalog.xml

# FILTER=regex runs only the tests whose names match (bats --filter).
test: build
	@scripts/setup.sh test
	QUILLEN_TEST_FILTER='$(FILTER)' ctest --test-dir build --output-on-failure

# The whole suite against the normal build, the sanitized build and the
# Windows build under Wine, plus static analysis.
check: test check-asan lint check-windows

# The README's quick start on a bare Debian 12 image (debootstrap, chroot;
# needs root): git and make only, then make demo and make check.
check-bare:
	@scripts/check-bare.sh

asan:
	@scripts/setup.sh asan
	@test -f build-asan/CMakeCache.txt || cmake -S . -B build-asan -DQUILLEN_SANITIZE=ON \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH=$(DEPS)/asan
	@$(call CMAKE_BUILD,build-asan)

check-asan: asan
	@scripts/setup.sh test
	QUILLEN_TEST_FILTER='$(FILTER)' ctest --test-dir build-asan --output-on-failure

lint: build
	@scripts/lint.sh

format:
	clang-format -i src/*.cpp src/*.h src/platform/*.cpp fuzz/*.cpp

windows:
	@scripts/setup.sh mingw
	@test -f build-windows/CMakeCache.txt || cmake -S . -B build-windows \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake -DCMAKE_FIND_ROOT_PATH=$(DEPS)/mingw \
		-DQUILLEN_TEST_PLATFORM=windows -DQUILLEN_TEST_COMMAND="$(CURDIR)/scripts/wine-run.sh $(CURDIR)/build-windows/quillen.exe"
	@$(call CMAKE_BUILD,build-windows)

check-windows: windows
	@scripts/setup.sh wine
	@scripts/setup.sh test
	QUILLEN_TEST_FILTER='$(FILTER)' ctest --test-dir build-windows --output-on-failure

# DIR=folder: every *.xml below it through the same check as the roundtrip
# suite, judged by xmllint; NAME='*.svg' picks other files.
roundtrip: build
	@scripts/setup.sh test
	@tests/roundtrip.sh $(CURDIR)/build/quillen $(DIR)

# DIR=folder: every document below a scratch copy of it through the readers
# that judge what it shows (a browser, LibreOffice, the DocBook
# stylesheets, FOP, yelp-xsl, the translation tools, a model of XAML), then
# the same with xmllint --format and prettier in quillen's place (PEERS="" for
# quillen alone); DIR defaults to the corpus of make corpus.
readers: build
	@scripts/setup.sh test
	@scripts/setup.sh prettier
	@scripts/readers.sh $(CURDIR)/build/quillen $(or $(DIR),$(CURDIR)/.corpus)

# The documents people re-indent, from Debian's packages, into .corpus.
corpus:
	@scripts/setup.sh test
	@scripts/corpus.sh

bench: build
	@bench/bench.sh

fuzz:
	@scripts/setup.sh fuzz
	@fuzz/fuzz.sh $(SECONDS)

# The generated tables in src/: the classes of encoding names (glibc's
# iconv, ICU, the WHATWG labels) and the element tables of the vocabularies
# (the XHTML DTDs, the OpenDocument schema, the DocBook and DITA schemas).
tables:
	@scripts/setup.sh tables
	scripts/encoding-classes.py $(DEPS)/npm/node_modules/whatwg-encoding/lib/labels-to-names.json src/encodings.inc
	scripts/vocabularies.py src/vocabularies.inc

install: build
	DESTDIR=$(DESTDIR) cmake --install build --prefix $(PREFIX)

deb: build
	@scripts/setup.sh test
	cpack -G DEB --config build/CPackConfig.cmake -B $(CURDIR)/build/package
	mv build/package/quillen_*.deb .
	@ls quillen_*.deb

clean:
	rm -rf build build-asan build-windows build-fuzz examples/*_for.xml
