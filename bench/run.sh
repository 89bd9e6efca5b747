#!/usr/bin/env bash
# Prints the benchmark figures: sizes and imports of the program against a
# bare window with the same controls, startup under Wine, the time of one job
# and the memory after 100 jobs.   Usage: bash bench/run.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

run_bench() {  # run_bench WORK_FOLDER
  "$root/scripts/wine-run.sh" win64 build/win64/bench/startup_bench.exe \
    "Z:$root/build/win64/app/VOK Decompiler.exe" VokDecompilerForm1 \
    "Z:$root/build/win64/bench/bare_window.exe" BareWindow "Z:$1" | tr -d '\r'
}
if [[ "${1:-}" == --under-display ]]; then
  run_bench "$2"
  exit
fi

bash scripts/install-deps.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" --target vok_decompiler bare_window >/dev/null
done
# The recording vok.exe is a test program: only the win64 build, run under Wine, has it.
cmake --build --preset win64 -j "$(nproc)" --target startup_bench vok_recorder >/dev/null

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(/usr/lib/wine/wine64 --version 2>/dev/null)"
echo
printf '%-8s %-22s %10s  %s\n' build program bytes imports
for preset in win32 win64; do
  prefix=$([[ $preset == win32 ]] && echo i686 || echo x86_64)-w64-mingw32
  for exe in "build/$preset/app/VOK Decompiler.exe" "build/$preset/bench/bare_window.exe"; do
    dlls=$("$prefix-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
    printf '%-8s %-22s %10s  %s\n' "$preset" "$(basename "$exe")" "$(stat -c %s "$exe")" "$dlls"
  done
done
echo

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp build/win64/tests/recorder/vok_recorder.exe "$work/vok.exe"
export WINEPREFIX=$root/build/wineprefix-win64
/usr/lib/wine/wineserver -k 2>/dev/null || true
echo "under Wine (64-bit build, virtual display):"
if [[ -n "${DISPLAY:-}" ]]; then run_bench "$work"; else
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --under-display "$work"
fi
/usr/lib/wine/wineserver -k 2>/dev/null || true
