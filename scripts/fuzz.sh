#!/usr/bin/env bash
# Fuzzes the script line for longer than the test run does (default 300 s):
# builds the fuzz preset (clang, libFuzzer, ASan + UBSan), runs the target
# over the seed corpus tests/fuzz/corpus and prints executions and findings.
# Usage: scripts/fuzz.sh [SECONDS] [--merge]
#   --merge  afterwards, add the inputs that reached new code to the seed corpus
# Inputs that broke a check are left in build/fuzz/fuzz-long/findings; once
# the fault is fixed, copy them into tests/fuzz/corpus so every run retries them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${1:-300}
merge=${2:-}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 >/dev/null
fuzzer=build/fuzz/tests/fuzz/batch_line_fuzzer
bash tests/fuzz/run_fuzzer.sh "$fuzzer" "$seconds" build/fuzz/fuzz-long

if [[ "$merge" == "--merge" ]]; then
  "$fuzzer" -merge=1 -max_len=8400 tests/fuzz/corpus build/fuzz/fuzz-long/corpus 2>&1 |
    grep -E '^MERGE-OUTER: [0-9]+ new files' || true
fi
