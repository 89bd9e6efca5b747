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

bash scripts/install-deps.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" --target vok_decompiler >/dev/null
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)

rm -rf dist
mkdir -p dist
for preset in win64 win32; do
  zip=VOK-Decompiler-$version-$preset.zip
  staging=build/package/$preset
  rm -rf "$staging"
  mkdir -p "$staging"
  cp "build/$preset/app/VOK Decompiler.exe" "$staging/"
  sed 's/$/\r/' docs/README.txt >"$staging/README.txt"
  sed 's/$/\r/' LICENSE >"$staging/LICENSE.txt"
  chmod 644 "$staging"/*
  TZ=UTC touch -d '2000-01-01 00:00:00' "$staging"/*
  (cd "$staging" && TZ=UTC zip -q -X -D "../../../dist/$zip" \
    "VOK Decompiler.exe" README.txt LICENSE.txt)
done
(cd dist && sha256sum -- *.zip >SHA256SUMS)
cat dist/SHA256SUMS
