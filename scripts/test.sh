#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test,
# each behaviour owned by one layer:
#   native  the jobs' rules as tables (names to script lines or warnings,
#           drops, what a script's end tells, error texts, code pages, a file
#           planted before the write, the sweep's rules) and
#           the stand-in tool, with ASan and UBSan
#   win32   the program for 32-bit Windows, checked as an executable
#   win64   the same sources for 64-bit Windows, checked as an executable
#           and run under Wine on a virtual display: some 250 awkward names
#           through the real cmd.exe, the window at four display scales,
#           drops, and the scenes of tests/window/scenes.txt (failures told,
#           closes, the exit cleanup, reservations, a fatal report, focus)
#   release the packages, built twice in two folders: the same bytes; signed
#           with a throwaway certificate, checked from the other folder
#   scripts the cleanup of scripts/fresh-check.sh on a fake root (as root)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
for preset in native win32 win64; do
  echo "=== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

status=0
echo "=== test native"
ctest --preset native || status=1
echo "=== test win32 (static checks)"
ctest --preset win32 || status=1
echo "=== test win64 (under Wine)"
# A Wine server left from another display would serve this one badly.
stop_wine() {
  for prefix in build/win64/wineprefix-*/; do
    WINEPREFIX="$PWD/$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
}
stop_wine
if [[ -n "${DISPLAY:-}" ]]; then
  ctest --preset win64 || status=1
else
  xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset win64 || status=1
fi
stop_wine
echo "=== test release (two packagings give the same bytes; a signed one checks out)"
bash tests/release/reproducible.sh || status=1
echo "=== test scripts (fresh-check.sh's cleanup: unmounts all, deletes nothing still mounted)"
bash tests/fresh_check/cleanup.sh || status=1
exit "$status"
