#!/usr/bin/env bash
# Prints the lines and branches of the product (app/, ui/, platform/, jobs/)
# that the tests run, per file and in total: the native suite and the win64
# suite under Wine together (jobs/ is built by both: its counts are added).
# Each is built with gcov's counts in a folder of its own (the presets
# coverage-native and coverage-win64). Opt-in (not part of scripts/test.sh):
# some minutes. Fails when a test fails; the figures are printed all the same.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh
for preset in coverage-native coverage-win64; do
  echo "=== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2 >/dev/null
  # Counts add up from run to run: start from none.
  find "build/$preset" -name '*.gcda' -delete
done

# Runs a suite, its output kept in a log; prints its summary and any failure.
status=0
run_suite() {
  local log=build/$1/ctest.log
  echo "=== test $1"
  shift
  "$@" >"$log" 2>&1 || { status=1; echo "(its output: $log)"; }
  sed -n '/tests passed/,$p' "$log"
}
run_suite coverage-native ctest --preset coverage-native
# A program writes its counts as it exits (a copy that a test ends with
# TerminateProcess counts for nothing) to its object folder's path, which has
# no drive: Wine reads it as a path from / where it can, Windows would take
# the current drive (the tests start the program on C: and X:). Z:, Wine's
# view of /, names the folder beside the .gcno files outright.
# The static checks of the executable run none of its code.
wine=(ctest --preset coverage-win64 -LE static)
[[ -n "${DISPLAY:-}" ]] || wine=(xvfb-run -a -s "-screen 0 1024x768x24" "${wine[@]}")
# A Wine server left from another display would serve this one badly.
stop_wine() {
  for prefix in build/coverage-win64/wineprefix-*/; do
    WINEPREFIX="$PWD/$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
}
stop_wine
GCOV_PREFIX=Z: run_suite coverage-win64 "${wine[@]}"
stop_wine

# Each build read with its own compiler's gcov, then both together. The
# edges by which an exception may leave each call are not branches that
# anyone wrote: they are left out.
# The build folder holds its Wine prefixes, whose z: is the whole machine
# (other checkouts' counts among it): the search stays out of them.
read_counts() {
  gcovr -r . -f '(app|ui|platform|jobs)/' --gcov-executable "$2" --exclude-throw-branches \
    --exclude-unreachable-branches --exclude-directories '.*/wineprefix-[^/]*' \
    --json "build/$1/coverage.json" "build/$1"
}
read_counts coverage-native gcov
read_counts coverage-win64 x86_64-w64-mingw32-gcov
for metric in --txt --branches; do
  gcovr -r . -a build/coverage-native/coverage.json -a build/coverage-win64/coverage.json "$metric"
done
exit "$status"
