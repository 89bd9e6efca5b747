#!/usr/bin/env bash
# Runs the batch-line fuzz target for a bounded time over the seed corpus and
# prints the executions and the findings; fails when there is any finding.
# Usage: run_fuzzer.sh FUZZER SECONDS WORKDIR
#   WORKDIR/corpus    inputs this and earlier runs found interesting
#   WORKDIR/findings  inputs that broke a check (emptied at the start)
#   WORKDIR/fuzz.log  libFuzzer's own output
set -uo pipefail

fuzzer=$1
seconds=$2
work=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

mkdir -p "$work/corpus" "$work/findings"
rm -f "$work/findings"/*

# Names up to the longest line cmd.exe reads, and a little over.
"$fuzzer" -max_total_time="$seconds" -max_len=8400 -dict="$here/batch_line.dict" \
  -artifact_prefix="$work/findings/" -print_final_stats=1 \
  "$work/corpus" "$here/corpus" >"$work/fuzz.log" 2>&1
status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log")
took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$work/fuzz.log")
runs=${runs:-0}
took=${took:-0}
findings=$(find "$work/findings" -type f | sort)
seeds=$(find "$work/corpus" "$here/corpus" -type f | wc -l)
echo "fuzz: $runs executions in $took s ($((took > 0 ? runs / took : runs)) per second)," \
  "corpus $seeds inputs"
if [[ -n "$findings" || $status -ne 0 ]]; then
  echo "fuzz: FINDINGS (exit status $status); libFuzzer's log ends:"
  tail -n 40 "$work/fuzz.log"
  echo "fuzz: inputs that broke a check (fix, then copy them into tests/fuzz/corpus):"
  echo "${findings:-none written}"
  exit 1
fi
echo "fuzz: no findings"
