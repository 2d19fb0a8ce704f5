#!/usr/bin/env bash
# The Windows build under wine against the Linux build, on the shipped set, a failing puzzle, a
# cell out of range and a missing file: the same report byte for byte once CR LF line ends (the
# runtime's text mode) become LF and the time figure is masked; the same exit statuses and the
# same standard error.
#   windows_end_to_end.sh WINDOWS_EXE LINUX_PROGRAM SHIPPED_DIR
set -euo pipefail
windows=$1
linux=$2
shipped=$3
[ -x "$linux" ] || { echo "no Linux build at $linux: build it first (see README)"; exit 1; }
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

full_grid="1 2 3 4 5 6 7 8 9 4 5 6 7 8 9 1 2 3 7 8 9 1 2 3 4 5 6 2 1 4 3 6 5 8 9 7 3 6 5 8 9 7 2 1 4
8 9 7 2 1 4 3 6 5 5 3 1 6 4 2 9 7 8 6 4 2 9 7 8 5 3 1 9 7 8 5 3 1 6 4 2"

failures=0
check() {  # name expected-status setup-command
  local name=$1 expected=$2 dir="$work/$1"
  mkdir -p "$dir/sudoku"
  cp "$shipped"/*.txt "$dir/sudoku/"
  (cd "$dir" && eval "$3")
  local linux_status=0 windows_status=0
  (cd "$dir" && "$linux" >linux.out 2>linux.err) || linux_status=$?
  (cd "$dir" && wine "$windows" </dev/null >windows.out 2>windows.err) || windows_status=$?
  local crs lfs
  crs=$(tr -cd '\r' <"$dir/windows.out" | wc -c)
  lfs=$(tr -cd '\n' <"$dir/windows.out" | wc -c)
  mask() { tr -d '\r' <"$1" | sed -E 's/ToTal Time:[0-9]+\.[0-9]{6}s/ToTal Time:<t>s/'; }
  local verdict=ok
  [ "$linux_status" = "$expected" ] || verdict="Linux status $linux_status, expected $expected"
  [ "$windows_status" = "$expected" ] || verdict="Windows status $windows_status, expected $expected"
  [ "$crs" = "$lfs" ] && grep -q . "$dir/windows.out" || verdict="lines do not all end in CR LF"
  cmp -s <(mask "$dir/linux.out") <(mask "$dir/windows.out") || verdict="reports differ"
  cmp -s <(tr -d '\r' <"$dir/linux.err") <(tr -d '\r' <"$dir/windows.err") ||
    verdict="standard error differs"
  echo "$name: $verdict (status $windows_status, $lfs lines)"
  [ "$verdict" = ok ] || failures=$((failures + 1))
}

check shipped 0 ":"
check failing_check 255 "printf '%s\n' \"\$(echo '$full_grid' | sed 's/^1 2/2 1/')\" > sudoku/0005.txt"
check cell_out_of_range 255 "printf '%s\n' \"\$(echo '$full_grid' | sed 's/ 2\$/ 300/')\" > sudoku/0000.txt"
check missing_file 1 "rm sudoku/0017.txt"
[ "$failures" = 0 ]
