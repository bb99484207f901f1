#!/usr/bin/env bash
# Static analysis: clang-tidy with the checked-in .clang-tidy, cppcheck and
# clang-format with .clang-format on the C++ sources, shellcheck on every
# shell script and bats file. Any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh lint

# clang-tidy counts the warnings it hid in headers other than ours on stderr.
clang-tidy --quiet -p build src/*.cpp src/platform/posix.cpp 2> >(grep -v 'warnings generated' >&2)
cppcheck --quiet --error-exitcode=1 --enable=warning,style,performance,portability \
    --inline-suppr --std=c++17 --language=c++ -I src \
    --suppress=missingIncludeSystem --suppress=missingInclude src/ fuzz/ cmake/
clang-format --dry-run --Werror src/*.cpp src/*.h src/platform/*.cpp fuzz/*.cpp cmake/*.cpp
git ls-files -z '*.sh' '*.bats' '*.bash' .ci/run | xargs -0 shellcheck -x
echo "lint: clean"
