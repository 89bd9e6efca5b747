#!/usr/bin/env bash
# Walks the window through random actions for longer than the test command
# does (default 600 s): copies started and closed at any moment, names typed,
# presses, boxes, minimise and restore, the tool held running (see
# tests/window/random_actions_test.cpp). Builds the win64 preset and runs
# under Wine on a virtual display unless DISPLAY is set.
# Usage: scripts/random-actions.sh [SECONDS] [SEED]   (default seed: from the clock)
# Prints the seed and the number of actions; a failure prints the actions that
# led to it, and the same seed walks the same way again.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

export VOK_RANDOM_SECONDS=${1:-600}
export VOK_RANDOM_SEED=${2:-$(date +%s)}
echo "seed $VOK_RANDOM_SEED, $VOK_RANDOM_SECONDS s"

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 >/dev/null
run=(bash scripts/wine-run.sh win64 build/win64/tests/window/window_tests.exe
  --gtest_filter=Walks.RandomActionsKeepTheChecks)
if [[ -n "${DISPLAY:-}" ]]; then
  "${run[@]}"
else
  xvfb-run -a -s "-screen 0 1024x768x24" "${run[@]}"
fi
