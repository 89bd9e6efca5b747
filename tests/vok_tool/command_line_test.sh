#!/usr/bin/env bash
# The built vok program from outside, as a script runs it: each command line
# of command_lines.txt (exit status and first line printed), "." packed
# beside the folder under its real name, ".VOK" unpacked, a failed pack that
# leaves nothing behind, and a non-ASCII name that arrives whole.
# Usage: command_line_test.sh VOK [RUNNER...]   (a runner: wine-run.sh win64)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
vok=$1
shift
runner=("$@")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
export LC_ALL=C.UTF-8  # names reach a Windows program as the UTF-8 they are
source "$here/../support/check.sh"
run() {  # prints vok's exit status and the first line it printed
  local out status=0
  out=$("${runner[@]}" "$vok" "$@" 2>&1) || status=$?
  out=${out//$'\r'/}
  echo "$status ${out%%$'\n'*}"
}

mkdir -p sub/data folder.vok
printf 1 >sub/data/x
while IFS=$'\t' read -r letter argument expected; do
  [[ $letter == '#'* ]] && continue
  check "vok $letter $argument" same "$(run "$letter" "$argument")" "$expected"
done <"$here/command_lines.txt"

(cd sub/data && run c . >/dev/null)
mv sub/data.vok sub/Copy.VOK
check "vok d sub/Copy.VOK" same "$(run d sub/Copy.VOK)" \
  "0 unpacked 1 file, 0 folders, 1 byte into sub/Copy"
check "\".\" packed under its name" same "$(diff -r sub/Copy sub/data && echo same)" same
mkdir sub/data.vok
check "vok c sub/data over a folder" same "$(run c sub/data | cut -c1)" 1
check "nothing left beside" same "$(ls sub | tr '\n' ' ')" "Copy Copy.VOK data data.vok "

name="café 日本"
mkdir "$name" && printf hello >"$name/x"
run c "$name" >/dev/null
mv "$name" original
check "vok d $name.vok" same "$(run d "$name.vok")" "0 unpacked 1 file, 0 folders, 5 bytes into $name"
check "$name whole" same "$(diff -r original "$name" && echo same)" same
checks_done
