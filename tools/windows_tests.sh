#!/usr/bin/env bash
# Cross-builds the Windows console program and runs its tests under wine, headless:
#   tools/windows_tests.sh
# Needs the Linux build in build/ (the end-to-end test compares the two). The wine server is
# started and the prefix created first, every stream on /dev/null, since a server started with its
# output on a pipe can stall, and a prefix's first creation writes to standard error; the server
# is stopped at the end, whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/build-windows/wine}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1

cmake --preset windows
cmake --build --preset windows --parallel
ctest --preset windows
