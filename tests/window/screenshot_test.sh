#!/usr/bin/env bash
# Shows the program on the display, takes a screenshot with ImageMagick and
# checks what a user sees: the red line across the client area between the
# sections and the two underlined headings, all at the display's DPI
# (VOK_DPI, 96 by default). Keeps the screenshot as window.png, or
# window-<DPI>dpi.png at another DPI.
# Usage: screenshot_test.sh WINE_RUN FLAVOUR APP WINDOW_POKE OUT_DIR
set -euo pipefail
wine_run=$1 flavour=$2 app=$3 poke=$4 out=$5
dpi=${VOK_DPI:-96}
shot=$out/window$([[ $dpi == 96 ]] || echo "-${dpi}dpi").png
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

px() { echo $((($1 * dpi + 720) / 1440)); }  # twips to pixels, rounded
"$wine_run" "$flavour" "$app" &
app_pid=$!
read -r x y < <("$wine_run" "$flavour" "$poke" locate | tr -d '\r')
import -window root "$out/screen.png"
convert "$out/screen.png" -crop "$(px 4050)x$(px 4155)+$x+$y" +repage "$shot"
"$wine_run" "$flavour" "$poke" close
wait "$app_pid"

pixel() { convert "$shot" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
# Fraction of dark pixels in a rectangle of twips: width, height, left, top.
dark() { convert "$shot" -crop "$(px $1)x$(px $2)+$(px $3)+$(px $4)" +repage -colorspace Gray -threshold 50% -negate -format '%[fx:mean]' info:; }

source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
row=$(px 1920) width=$(px 75)
for twips in 0 900 2025 3000 4035; do
  check "red at ($(px $twips),$row)" eval '[[ $(pixel $(px $twips) $row) == 255,0,0 ]]'
done
for off in -2 2; do
  check "line is $width pixels wide: red at row $((row + off))" eval '[[ $(pixel $(px 2025) $((row + off))) == 255,0,0 ]]'
done
for off in -$width $width; do
  check "no red at row $((row + off))" eval '[[ $(pixel $(px 2025) $((row + off))) != 255,0,0 ]]'
done
check "heading Decompile/Unpack drawn" eval '[[ $(dark 2655 375 120 120) != 0 ]]'
check "heading Compile/Pack drawn" eval '[[ $(dark 2295 495 120 2160) != 0 ]]'
check "nothing drawn between the sections" eval '[[ $(dark 3900 300 60 1500) == 0 ]]'
echo "screenshot: $shot"
checks_done
