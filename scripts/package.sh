#!/usr/bin/env bash
# Builds the release programs and packs what a Windows user downloads:
#   dist/VOK-Decompiler-<version>-win64.zip   the 64-bit program (the one every
#                                             test runs under Wine)
#   dist/VOK-Decompiler-<version>-win32.zip   the 32-bit program, for 32-bit Windows
#   dist/SHA256SUMS                           the checksums of both
# Each zip holds "VOK Decompiler.exe", README.txt and LICENSE.txt, with CR LF
# line ends in the texts. The same sources give the same bytes: the builds
# are reproducible, and the zips have fixed times, order and permissions.
# Usage: bash scripts/package.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/release-lib.sh

build_programs
rm -rf dist
mkdir -p dist
for preset in win64 win32; do
  pack_zip "build/$preset/app/VOK Decompiler.exe" "$PWD/dist/VOK-Decompiler-$version-$preset.zip"
done
sums dist >dist/SHA256SUMS
cat dist/SHA256SUMS
