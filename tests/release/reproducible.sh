#!/usr/bin/env bash
# Packages the release twice, from two copies of the sources in different
# folders, and checks that both give the same bytes: executables and zips.
# Then signs the first with a throwaway certificate and checks that release
# from the second (tests/release/signing.sh).
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
source "$root/tests/support/check.sh"
for file in dist/SHA256SUMS build/win32/app/"VOK Decompiler.exe" build/win64/app/"VOK Decompiler.exe"; do
  check "$file is the same from both folders" quietly cmp "$work/one/$file" "$work/another one/$file"
done
# The download holds the very program the tests run.
unzip -p "$work/one/dist/"*-win64.zip "VOK Decompiler.exe" >"$work/zipped.exe"
check "the win64 zip holds the program built by the win64 preset" \
  quietly cmp "$work/zipped.exe" "$work/one/build/win64/app/VOK Decompiler.exe"
cat "$work/one/dist/SHA256SUMS"
bash "$root/tests/release/signing.sh" "$work/one" "$work/another one" || failed=$((failed + 1))
checks_done
