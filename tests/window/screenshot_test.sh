#!/usr/bin/env bash
# Shows the program on the display, takes a screenshot with ImageMagick and
# checks what a user sees: the pure red line between the sections, five
# pixels thick, at the display's DPI (VOK_DPI, 96 by default). Keeps the screenshot as window.png, or window-<DPI>dpi.png at
# another DPI.
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

source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
row=$(px 1920)
for off in 0 -2 2; do
  check "red at row $((row + off))" eval '[[ $(pixel $(px 2025) $((row + off))) == 255,0,0 ]]'
done
echo "screenshot: $shot"
checks_done
