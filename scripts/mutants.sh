#!/usr/bin/env bash
# Checks that the tests catch each deliberate fault listed in tests/mutants.txt.
# Opt-in (not part of scripts/test.sh): about a minute per fault.
#
# Works in a scratch copy of the working tree (build/mutants/worktree/src) with build
# folders of its own, so incremental builds stay fast between faults. First
# the unchanged copy must pass every suite; then, for each fault, the file is
# changed, and the suites that compile it run in the order native,
# win32, win64 until one fails (the fault is caught) or all pass (it
# survived); win32 only when win64 does not compile the file, as win64 runs
# the same static checks. A fault in a shell script or the release test's
# table runs the shell suite instead: the cleanup test of fresh-check.sh and
# the release test (some minutes). A fault that does not compile counts as a
# broken list entry.
#
# Usage: scripts/mutants.sh [ID...]     (default: every fault in the list)
#   VOK_MUTANTS_REV=REV  test the suites of a commit instead of the working
#                        tree (the list itself is always the working tree's)
# Prints one line per fault and a summary; fails unless every fault is caught.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [[ "${1:-}" != --under-display ]]; then
  bash scripts/install-deps.sh
  if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --under-display "$@"
  fi
else
  shift
fi

rev=${VOK_MUTANTS_REV:-}
work=$root/build/mutants/${rev:-worktree}
scratch=$work/src
pristine=$work/pristine
log=$work/log
list=$root/tests/mutants.txt
# The sources afresh (builds inside the copy stay), and an untouched copy.
find "$scratch" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} + 2>/dev/null || true
rm -rf "$pristine" "$log"
mkdir -p "$scratch" "$pristine" "$log"
if [[ -n "$rev" ]]; then
  git archive "$rev" | tar -xf - -C "$pristine"
else
  git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -xf - -C "$pristine"
fi
cp -R "$pristine/." "$scratch/"  # new times: everything rebuilds once

# Prints the IDs, or applies (or reverts) one fault: mutate.py apply|revert ID
mutate() {
  python3 - "$list" "$scratch" "$pristine" "$@" <<'PY'
import pathlib, sys
listing, scratch, pristine, action = sys.argv[1:5]
faults, current, group = {}, None, None
for line in pathlib.Path(listing).read_text(encoding="utf-8").splitlines():
    if line.startswith("== "):
        current = line[3:].split(":")[0].strip()
        faults[current] = []
    elif line.startswith("@ "):
        group = {"file": line[2:].strip(), "old": [], "new": []}
        faults[current].append(group)
    elif line.startswith("-"):
        group["old"].append(line[2:])
    elif line.startswith("+"):
        group["new"].append(line[2:])
if action == "ids":
    print("\n".join(faults))
    sys.exit(0)
fault = faults[sys.argv[5]]
if action == "files":
    print("\n".join(sorted({g["file"] for g in fault})))
    sys.exit(0)
for name in {g["file"] for g in fault}:
    text = (pathlib.Path(pristine) / name).read_text(encoding="utf-8")
    if action == "apply":
        for g in (g for g in fault if g["file"] == name):
            old, new = "\n".join(g["old"]), "\n".join(g["new"])
            if text.count(old) != 1:
                sys.exit(f"{name}: found {text.count(old)} times: {old!r}")
            text = text.replace(old, new)
    (pathlib.Path(scratch) / name).write_text(text, encoding="utf-8")
    print(name)
PY
}

# Presets whose build compiles FILE: a source file only where its build lists
# it, anything else (headers, resources) everywhere.
presets_for() {
  local file=$1 preset found=()
  [[ $file != *.sh && $file != tests/release/* ]] || { echo shell; return; }
  for preset in native win32 win64; do
    local commands=$scratch/build/$preset/compile_commands.json
    if [[ "$file" != *.cpp ]] || grep -q "\"file\": \"$scratch/$file\"" "$commands" 2>/dev/null; then
      found+=("$preset")
    fi
  done
  echo "${found[@]}"
}

build_preset() {
  (cd "$scratch" && cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$(nproc)")
}

# Builds and tests PRESET in the scratch copy; prints PASS, BUILD or the
# first failing test.
run_preset() {
  local preset=$1 out=$2
  if [[ $preset == shell ]]; then
    # The release test packages the files git knows: the copy is made a repository.
    [[ -d $scratch/.git ]] || (cd "$scratch" && git init -q && git add -A)
    (cd "$scratch" && bash tests/fresh_check/cleanup.sh && bash tests/release/reproducible.sh) \
      >"$out" 2>&1 && echo PASS || grep -m 1 '^FAIL' "$out" || echo FAIL
    return
  fi
  build_preset "$preset" >"$out.build" 2>&1 || { echo BUILD; return; }
  WINEPREFIX=$scratch/build/win64/wineprefix-win64 /usr/lib/wine/wineserver -k 2>/dev/null || true
  # The slowest test, some 240 names through Wine, comes last.
  if (cd "$scratch" && ctest --preset "$preset" --stop-on-failure -E NamesReach &&
    ctest --preset "$preset" --stop-on-failure -R NamesReach) >"$out" 2>&1; then
    echo PASS
  else
    sed -n '/tests FAILED:/,$ s/^\s*[0-9]* - \(.*\) (.*)$/\1/p' "$out" | head -n 1
  fi
}

ids=("$@")
((${#ids[@]})) || mapfile -t ids < <(mutate ids)
suites=(native win32 win64)
for id in "${ids[@]}"; do
  [[ " $(mutate files "$id" | while read -r f; do presets_for "$f"; done) " != *" shell "* ]] ||
    { suites+=(shell); break; }
done
echo "=== the unchanged copy must pass every suite"
for preset in "${suites[@]}"; do
  result=$(run_preset "$preset" "$log/unchanged-$preset")
  echo "$preset: $result"
  [[ "$result" == PASS ]] || { echo "fix the suite first: $log/unchanged-$preset"; exit 1; }
done

caught=0 survived=() broken=()
for id in "${ids[@]}"; do
  files=$(mutate apply "$id") || { broken+=("$id"); echo "$id: cannot apply"; continue; }
  verdict=SURVIVED
  affected=" $(for f in $files; do presets_for "$f"; done | tr '\n' ' ') "
  # win64 runs the same static checks as win32, and the program besides.
  [[ "$affected" == *" win64 "* ]] && affected=${affected/ win32 / }
  for preset in native win32 win64 shell; do
    [[ "$affected" == *" $preset "* ]] || continue
    result=$(run_preset "$preset" "$log/$id-$preset")
    [[ "$result" == PASS ]] && continue
    verdict="$preset: $result"
    break
  done
  mutate revert "$id" >/dev/null
  case "$verdict" in
    SURVIVED) survived+=("$id") ;;
    *BUILD) broken+=("$id") ;;
    *) caught=$((caught + 1)) ;;
  esac
  printf '%-32s %s\n' "$id" "$verdict"
done
# Leave the copy unchanged and built for the next run.
for preset in native win32 win64; do build_preset "$preset" >/dev/null 2>&1 || true; done

echo "mutants: ${#ids[@]} listed, $caught caught, ${#survived[@]} survived" \
  "${survived[*]:+(${survived[*]})}, ${#broken[@]} broken ${broken[*]:+(${broken[*]})}"
((${#survived[@]} == 0 && ${#broken[@]} == 0))
