#!/usr/bin/env bash
# Checks the built executable as Windows will load it: its machine, that it
# is a GUI program, that it imports only DLLs that ship with Windows, its
# resources (icon group, version record) against resources.txt beside this
# file, and its manifest's entries.
# Usage: pe_check.sh OBJDUMP WINDRES EXE FORMAT   (FORMAT: pei-i386 or pei-x86-64)
set -euo pipefail
objdump=$1 windres=$2 exe=$3 format=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
headers=$("$objdump" -p "$exe")
source "$here/../support/check.sh"

check "file format $format" eval 'grep -q "file format $format" <<<"$headers"'
check "Windows GUI subsystem" eval 'grep -Eq "^Subsystem\s+00000002" <<<"$headers"'
system_dlls='^(KERNEL32|USER32|GDI32|ADVAPI32|msvcrt)\.dll$'
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
echo "imports: $(tr '\n' ' ' <<<"$dlls")"
check "imports only system DLLs" eval '! grep -Evi "$system_dlls" <<<"$dlls"'
# The icon images' bytes are left out: tools/icon/make_icon.py draws them.
resources=$("$windres" -i "$exe" -O rc | grep -v '^  0x')
check "resources as designed" eval 'diff -B <(grep -v "^//" "$here/resources.txt") \
  <(awk "/Type: group icon/ { p = 1 } /Type: 24/ { p = 0 } p" <<<"$resources")'
manifest=$(awk '/RT_MANIFEST/ { p = 1 } p' <<<"$resources" | tr -d '"')
check "manifest: runs as invoker" eval 'grep -q "requestedExecutionLevel level=asInvoker" <<<"$manifest"'
check "manifest: DPI-aware per monitor" \
  eval 'grep -q "<dpiAwareness .*>PerMonitorV2, PerMonitor<" <<<"$manifest" &&
   grep -q "<dpiAware .*>true/pm<" <<<"$manifest"'
check "manifest: Windows 7 to 11" eval '(($(grep -c "<supportedOS Id=" <<<"$manifest") == 4))'
check "manifest: the classic controls" eval '! grep -q "Common-Controls" <<<"$manifest"'
echo "size: $(stat -c %s "$exe") bytes"
checks_done
