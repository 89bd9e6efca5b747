#!/usr/bin/env bash
# Opens VOK Decompiler under Wine in ./demo, beside a working vok.exe (our
# stand-in) and a small sample folder to pack.
#
# With a display: the window opens there; pack "sample", unpack a copy of
# the archive, close the window when done.
# Without one: runs on a virtual display, packs the sample and unpacks a copy
# of the archive by driving the window as a user would, checks that the
# folder came back byte for byte, saves a screenshot, and presses "Decompile"
# once more, which the tool refuses: the "Job Failed" box shows its words.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
demo=$root/demo
build=$root/build/win64
wine_run=("$root/scripts/wine-run.sh" win64)
export WINEPREFIX=${VOK_WINEPREFIX:-$root/build/wineprefix-win64}

poke() { "${wine_run[@]}" "$build/tools/window_poke/window_poke.exe" "$@" | tr -d '\r'; }

limit=300  # seconds for each wait: a new Wine prefix on a busy machine is slow

# Makes the Wine prefix ready: a minute or more the first time.
wine_ready() {
  [[ -f "$WINEPREFIX/system.reg" ]] || echo "Preparing Wine (first run only)..."
  "${wine_run[@]}"
}

# The names of the processes running in the Wine prefix, one a line.
wine_processes() {
  "${wine_run[@]}" wmic process get name | iconv -f UTF-16 -t UTF-8 | sed 's/[ \r]*$//' | tail -n +2
}

app_ended() { ! kill -0 "$app" 2>/dev/null; }

# What a wait that gave up saw: the program, its scripts, the tool, the files.
saw() {
  local script processes
  app_ended && echo "  the program: ended" || echo "  the program: running"
  for script in compile.bat decompile.bat; do
    [[ -f $script ]] && echo "  $script: $(tr -d '\r' <"$script")" || echo "  $script: not written"
  done
  processes=$(wine_processes | tr '\n' ' ')
  [[ " $processes" == *" vok.exe "* ]] && echo "  vok.exe: running" || echo "  vok.exe: not running"
  echo "  Wine's processes: $processes"
  echo "  in $demo: $(ls -A | tr '\n' ' ')"
}

# wait_for WHAT COMMAND...: runs COMMAND every second until it succeeds. Gives
# up when the program ends or shows a box (a failed job, an error) or after
# $limit seconds, and then says what it waited for and what it saw.
wait_for() {
  local what=$1 end=$((SECONDS + limit)) why box
  shift
  until "$@"; do
    if app_ended; then
      why="the program ended"
    elif box=$(poke box); then
      why="the program shows \"$box\""
    elif ((SECONDS >= end)); then
      why="$limit s passed"
    else
      sleep 1
      continue
    fi
    { echo "run.sh: waited for $what, but $why. Saw:"; saw; } >&2
    return 1
  done
}

window_shown() { poke wait >/dev/null; }
script_ended() {  # the list is real (it holds wmic) and has neither
  local processes
  processes=$(wine_processes)
  grep -qx wmic.exe <<<"$processes" && ! grep -qx -e cmd.exe -e vok.exe <<<"$processes"
}

# job BOX NAME BUTTON TEST RESULT: types NAME into BOX and presses BUTTON, then
# waits for the tool's RESULT ([ TEST RESULT ]) and for the script to end.
job() {
  poke type "$1" "$2"
  poke click "$3"
  wait_for "vok.exe to write $5" test "$4" "$5"
  wait_for "the script's cmd.exe to end" script_ended
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
  wine_ready
  "${wine_run[@]}" "VOK Decompiler.exe" &
  app=$!
  wait_for "the window to appear" window_shown
  job txtvokcom sample cmdcom -f sample.vok
  # The tool never unpacks over an existing folder: unpack a copy.
  cp sample.vok sample-copy.vok
  job txtvokde sample-copy cmdde -d sample-copy
  diff -r sample sample-copy
  echo "round trip: sample-copy is identical to sample"

  local x y
  read -r x y < <(poke locate)
  import -window root "$demo/screen.png"
  convert "$demo/screen.png" -crop "270x277+$x+$y" +repage "$demo/window.png"
  rm "$demo/screen.png"
  # Unpacking over the folder that now exists: the tool refuses, in its own
  # words, which the "Job Failed" box shows.
  poke click cmdde
  local told end=$((SECONDS + limit))
  until told=$(poke box); do
    ((SECONDS < end)) || { echo "run.sh: no box for the refused unpack" >&2; return 1; }
    sleep 1
  done
  echo "failure told: $told"
  poke ok
  poke close
  wait_for "the program to end" app_ended
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
# The program and Wine end with this script, also when the demo fails.
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
if [[ -n "${DISPLAY:-}" ]]; then
  cd "$demo"
  wine_ready
  echo "VOK Decompiler is running in $demo; close its window to end."
  "${wine_run[@]}" "VOK Decompiler.exe"
else
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --headless-demo
fi
