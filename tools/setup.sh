#!/usr/bin/env bash
# One command from a fresh Debian machine to a result: installs what is missing, builds Release
# in build/, then runs the batch on the shipped set (run) or the test suite (test).
#   tools/setup.sh run | test
# As root it installs with apt-get; otherwise it prints the apt-get line to run and stops.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
  run) packages=(cmake make g++) ;;
  test) packages=(cmake make g++ libgtest-dev libbenchmark-dev python3 python3-pycosat) ;;
  *)
    echo "usage: tools/setup.sh run | test" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" != 0 ]; then
    echo "missing packages: ${missing[*]}" >&2
    echo "install them as root, then run this again:" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "installing: ${missing[*]}" >&2
  # A mirror in the middle of a sync can fail an index download; apt goes on with the rest.
  for attempt in 1 2 3; do
    apt-get update -qq && break
    ((attempt < 3)) && sleep 30
  done
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >/dev/null
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >&2
case "$1" in
  run)
    cmake --build build --parallel "$jobs" --target sudokuStudentEnd >&2
    exec ./build/sudokuStudentEnd
    ;;
  test)
    cmake --build build --parallel "$jobs" >&2
    # The tests over the full public collections (label "collections") need ../shared/data; the
    # rest run on any clone.
    exec ctest --test-dir build --output-on-failure -j"$jobs" -LE collections
    ;;
esac
