#!/usr/bin/env bash
# Runs one test suite against a quillen program.
#
#   tests/run.sh SUITE PROGRAM [windows]
#
# PROGRAM may be a command with arguments ("wine64 quillen.exe"). With
# "windows", output files are expected in text mode (CRLF line ends).
# QUILLEN_SANITIZED=1 marks a sanitizer build: tests that cannot run under
# one skip themselves.
set -u
suite=$1
QUILLEN=$2
platform=${3:-posix}
data=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
scratch=$work/case
mkdir -p "$scratch"

. "$data/lib.sh"
. "$data/$suite.sh"
report
