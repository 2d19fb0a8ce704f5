#!/bin/sh
# The Windows executable must be a 32-bit console program that imports only KERNEL32.dll and
# msvcrt.dll.
set -eu
exe=$1
headers=$(i686-w64-mingw32-objdump -p "$exe")
echo "$headers" | grep -q '^Magic.*010b' || { echo "not PE32"; exit 1; }
echo "$headers" | grep -q 'Subsystem.*(Windows CUI)' || { echo "not a console program"; exit 1; }
dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u | tr '\n' ' ')
echo "imports: $dlls"
[ "$dlls" = "KERNEL32.dll msvcrt.dll " ] || { echo "unexpected imports"; exit 1; }
