#!/usr/bin/env bash
# Checks the built executable as Windows will load it: its machine, that it
# is a GUI program, and that it imports only DLLs that ship with Windows.
# Usage: pe_check.sh OBJDUMP EXE FORMAT   (FORMAT: pei-i386 or pei-x86-64)
set -euo pipefail
objdump=$1 exe=$2 format=$3
headers=$("$objdump" -p "$exe")
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi; }

check "file format $format" 'grep -q "file format $format" <<<"$headers"'
check "Windows GUI subsystem" 'grep -Eq "^Subsystem\s+00000002" <<<"$headers"'
system_dlls='^(KERNEL32|USER32|GDI32|SHELL32|ADVAPI32|msvcrt|COMCTL32|VERSION)\.dll$'
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
echo "imports: $(tr '\n' ' ' <<<"$dlls")"
check "imports only system DLLs" '! grep -Evi "$system_dlls" <<<"$dlls"'
check "no MinGW runtime DLLs" '! grep -Eqi "libstdc|libgcc|libwinpthread" <<<"$dlls"'
echo "size: $(stat -c %s "$exe") bytes"
echo "$((4 - failures)) passed, $failures failed"
((failures == 0))
