#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix of the project's own.
# Usage: wine-run.sh win32|win64 [PROGRAM.exe [ARGS...]]
# The prefix lives in $VOK_WINE_HOME (a build folder, as the build's tests set
# it; else build/), or is $VOK_WINEPREFIX, and is created on first use;
# without a program, the prefix is only made ready.
set -euo pipefail

flavour=$1
shift
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

case "$flavour" in
  win32) loader=/usr/lib/wine/wine ;;
  win64) loader=/usr/lib/wine/wine64 ;;
  *) echo "wine-run.sh: unknown flavour $flavour" >&2; exit 2 ;;
esac

# VOK_DPI=144, say, runs in a prefix of its own whose screen has that many
# dots per inch (the display scale: 96 is 100 %).
export WINEPREFIX=${VOK_WINEPREFIX:-${VOK_WINE_HOME:-$root/build}/wineprefix-$flavour${VOK_DPI:+-dpi}}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINELOADER=$loader

# The prefix is made once, and marked ready once it is set up.
ready=$WINEPREFIX/.vok-prefix-ready-2
if [[ ! -f "$ready" ]]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Parallel tests may all find the prefix missing: let one create it.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [[ ! -f "$ready" ]]; then
    [[ -f "$WINEPREFIX/system.reg" ]] || "$loader" wineboot -i >/dev/null 2>&1 || true
    # A program that crashes ends with its exception code (0xC0000005, say),
    # as a test expects to see it: Wine's debugger would keep it alive, and
    # the test waiting for its end, forever. The debugger named here cannot
    # start.
    "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
      /t REG_SZ /d no-debugger /f >/dev/null 2>&1
    # The virtual display has no window manager. Wine's windows are then its
    # own to manage: else each window it hides waits two seconds for a window
    # manager's answer that never comes (a message box's close, say).
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    touch "$ready"
  fi
  flock -u 9
fi

# Windows ships "MS Sans Serif" as bitmap fonts; Debian's fonts-wine has them,
# but this Wine does not look in their folder. Without them Wine draws the
# window's fonts with a wider substitute and labels overflow.
fonts=$WINEPREFIX/drive_c/windows/Fonts
if [[ -d /usr/share/wine/fonts && ! -f "$fonts/sserife.fon" ]]; then
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/*.fon "$fonts/" 2>/dev/null || true
fi

# X: is a drive letter for C:\users, as subst or a mapped drive gives on
# Windows: the tests reach one folder by two paths of other lengths.
[[ -e "$WINEPREFIX/dosdevices/x:" ]] || ln -sfn ../drive_c/users "$WINEPREFIX/dosdevices/x:"

dpi_is_set() {
  grep -q "^\"LogPixels\"=dword:$(printf %08x "$VOK_DPI")" "$WINEPREFIX/user.reg"
}
if [[ -n "${VOK_DPI:-}" ]] && ! dpi_is_set; then
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if ! dpi_is_set; then
    # A new DPI takes effect in a new server; this one saves it as it ends.
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VOK_DPI" /f \
      >/dev/null 2>&1
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
  fi
  flock -u 9
fi

(($# > 0)) || exit 0

# Keep one server and Wine's own background processes alive between the many
# short runs of a test session. They are started here with no tie to the
# caller's output: a test runner waits until its program's output closes, and
# would otherwise wait for them too.
/usr/lib/wine/wineserver -p30 </dev/null >/dev/null 2>&1 || true
"$loader" wineboot </dev/null >/dev/null 2>&1 || true

# The program's output goes through a file: a Wine helper that outlives it
# (a console server, say) inherits its output too, and a test runner would
# wait for that to close.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
"$loader" "$@" >"$output" 2>&1 </dev/null || status=$?
cat "$output"
exit "$status"
