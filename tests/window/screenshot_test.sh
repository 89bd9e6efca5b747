#!/usr/bin/env bash
# Shows the program on the display, takes a screenshot with ImageMagick and
# checks what a user sees: the red line along row 128 of the client area and
# the two underlined headings. Keeps the screenshot as window.png.
# Usage: screenshot_test.sh WINE_RUN FLAVOUR APP WINDOW_POKE OUT_DIR
set -euo pipefail
wine_run=$1 flavour=$2 app=$3 poke=$4 out=$5
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

"$wine_run" "$flavour" "$app" &
app_pid=$!
read -r x y < <("$wine_run" "$flavour" "$poke" locate | tr -d '\r')
import -window root "$out/screen.png"
convert "$out/screen.png" -crop "270x277+$x+$y" +repage "$out/window.png"
"$wine_run" "$flavour" "$poke" close
wait "$app_pid"

pixel() { convert "$out/window.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
# Fraction of dark pixels in a rectangle WxH+X+Y.
dark() { convert "$out/window.png" -crop "$1" +repage -colorspace Gray -threshold 50% -negate -format '%[fx:mean]' info:; }

failures=0
check() { if ! eval "$2"; then echo "FAIL: $1"; failures=$((failures + 1)); else echo "ok: $1"; fi; }

for px in 0 60 135 200 269; do
  check "red at ($px,128)" '[[ $(pixel $px 128) == 255,0,0 ]]'
done
for row in 126 130; do
  check "line is 5 pixels wide: red at (135,$row)" '[[ $(pixel 135 $row) == 255,0,0 ]]'
done
for row in 124 132; do
  check "no red at (135,$row)" '[[ $(pixel 135 $row) != 255,0,0 ]]'
done
check "heading Decompile/Unpack drawn" '[[ $(dark 177x25+8+8) != 0 ]]'
check "heading Compile/Pack drawn" '[[ $(dark 153x33+8+144) != 0 ]]'
check "nothing drawn between the sections" '[[ $(dark 260x20+4+100) == 0 ]]'
echo "screenshot: $out/window.png"
echo "$((11 - failures)) passed, $failures failed"
((failures == 0))
