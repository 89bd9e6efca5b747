#!/usr/bin/env bash
# Packages the release twice, from two copies of the sources in different
# folders, and checks that both give the same bytes: executables and zips.
# Runs alone as: bash tests/release/reproducible.sh (scripts/test.sh runs it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for copy in one "another one"; do
  mkdir -p "$work/$copy"
  (cd "$root" && git ls-files -co --exclude-standard -z | tar --null -T - -cf -) |
    tar -xf - -C "$work/$copy"
  (cd "$work/$copy" && bash scripts/package.sh >/dev/null)
done
status=0
for file in dist/SHA256SUMS build/win32/app/"VOK Decompiler.exe" build/win64/app/"VOK Decompiler.exe"; do
  if cmp -s "$work/one/$file" "$work/another one/$file"; then
    echo "ok: $file is the same from both folders"
  else
    echo "FAIL: $file differs between the two folders"
    status=1
  fi
done
# The download holds the very program the tests run.
if unzip -p "$work/one/dist/"*-win64.zip "VOK Decompiler.exe" |
  cmp -s - "$work/one/build/win64/app/VOK Decompiler.exe"; then
  echo "ok: the win64 zip holds the program built by the win64 preset"
else
  echo "FAIL: the win64 zip holds another program"
  status=1
fi
cat "$work/one/dist/SHA256SUMS"
exit "$status"
