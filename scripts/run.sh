#!/usr/bin/env bash
# Opens VOK Decompiler under Wine in ./demo, beside a working vok.exe (our
# stand-in) and a small sample folder to pack.
#
# With a display: the window opens there; pack "sample", unpack a copy of
# the archive, close the window when done.
# Without one: runs on a virtual display, packs the sample and unpacks a copy
# of the archive by driving the window as a user would, checks that the
# folder came back byte for byte, and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
demo=$root/demo
build=$root/build/win64
wine_run=("$root/scripts/wine-run.sh" win64)
export WINEPREFIX=${VOK_WINEPREFIX:-$root/build/wineprefix-win64}

poke() { "${wine_run[@]}" "$build/tools/window_poke/window_poke.exe" "$@" | tr -d '\r'; }

wait_for() {  # wait_for TEST PATH: until [ TEST PATH ] holds, at most 60 s
  for _ in $(seq 600); do [ "$1" "$2" ] && return 0; sleep 0.1; done
  echo "run.sh: $2 did not appear" >&2
  return 1
}

prepare() {
  bash scripts/install-deps.sh
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j "$(nproc)" --target vok_decompiler vok window_poke
  rm -rf "$demo"
  mkdir -p "$demo/sample/notes" "$demo/sample/data/empty folder"
  cp "$build/app/VOK Decompiler.exe" "$build/tools/vok/vok.exe" "$demo/"
  printf 'Packed and unpacked by VOK Decompiler.\r\n' >"$demo/sample/readme.txt"
  printf 'caf\xc3\xa9 cr\xc3\xa8me\n' >"$demo/sample/notes/"$'caf\xc3\xa9.txt'
  : >"$demo/sample/notes/empty.txt"
  head -c 300000 /dev/urandom >"$demo/sample/data/random.bin"
}

headless_demo() {
  cd "$demo"
  "${wine_run[@]}" "VOK Decompiler.exe" &
  local app=$!
  poke type txtvokcom sample
  poke click cmdcom
  wait_for -f sample.vok
  # The tool never unpacks over an existing folder: unpack a copy.
  cp sample.vok sample-copy.vok
  poke type txtvokde sample-copy
  poke click cmdde
  wait_for -d sample-copy
  diff -r sample sample-copy
  echo "round trip: sample-copy is identical to sample"

  local x y
  read -r x y < <(poke locate)
  import -window root "$demo/screen.png"
  convert "$demo/screen.png" -crop "270x277+$x+$y" +repage "$demo/window.png"
  rm "$demo/screen.png"
  poke close
  wait "$app"
  [[ ! -e compile.bat && ! -e decompile.bat ]] && echo "closed: both scripts removed"
  echo
  echo "demo folder:   $demo"
  echo "archive:       $demo/sample.vok ($(stat -c %s sample.vok) bytes)"
  echo "unpacked copy: $demo/sample-copy"
  echo "screenshot:    $demo/window.png"
  echo "the 32-bit program for Windows: cmake --preset win32 && cmake --build --preset win32"
}

if [[ "${1:-}" == --headless-demo ]]; then
  headless_demo
  exit
fi

prepare
/usr/lib/wine/wineserver -k 2>/dev/null || true  # bind Wine to this display
if [[ -n "${DISPLAY:-}" ]]; then
  cd "$demo"
  echo "VOK Decompiler is running in $demo; close its window to end."
  "${wine_run[@]}" "VOK Decompiler.exe"
else
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --headless-demo
fi
/usr/lib/wine/wineserver -k 2>/dev/null || true
