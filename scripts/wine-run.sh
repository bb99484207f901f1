#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, with a Wine prefix of the
# project's own (made on first use, which takes a while).
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/.deps/wineprefix}
export WINEDEBUG=-all
# No debugger for a fault in one of its background services.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
exec "$wine" "$@"
