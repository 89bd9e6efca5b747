#!/usr/bin/env bash
# Runs the native test programs once under valgrind memcheck, in a build of
# their own without sanitizers (build/valgrind: ASan and valgrind cannot
# share a process). Programs the tests start (the vok tool, through the
# shell) are checked too. Fails on any memory error or definite or indirect
# leak; each process's report is kept in build/valgrind/memcheck/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh
cmake -S . -B build/valgrind -DCMAKE_BUILD_TYPE=Debug -DVOK_SANITIZE=OFF >/dev/null
cmake --build build/valgrind -j 2 >/dev/null

reports=$PWD/build/valgrind/memcheck
rm -rf "$reports"
mkdir -p "$reports"
status=0
for program in $(find build/valgrind/tests -type f -executable -name '*_tests' | sort); do
  echo "=== memcheck $(basename "$program")"
  valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --show-leak-kinds=definite,indirect --track-origins=yes --trace-children=yes \
    --log-file="$reports/$(basename "$program").%p.log" "$program" --gtest_brief=1 || status=1
done

# With --quiet a report holds only what memcheck found.
found=$(find "$reports" -type f -size +0 | sort)
if [[ -n "$found" ]]; then
  echo "memcheck reports:"
  for report in $found; do echo "--- $report"; head -n 60 "$report"; done
  status=1
fi
echo "memcheck: $(find "$reports" -type f | wc -l) processes checked," \
  "$(echo -n "$found" | grep -c . || true) with a report"
exit "$status"
