# shellcheck shell=bash
# The release steps that scripts/package.sh and scripts/verify-release.sh
# share, so that the check remakes a release exactly as packaging makes it.
# Sourced from the checkout's top folder.

# Builds both programs with the release presets and sets $version.
build_programs() {
  bash scripts/install-deps.sh
  for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)" --target vok_decompiler >/dev/null
  done
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
}

# pack_zip EXE ZIP: the download, ZIP (an absolute path), holding EXE as
# "VOK Decompiler.exe", README.txt and LICENSE.txt with CR LF line ends; fixed
# times, order and permissions, so the same files give the same bytes.
pack_zip() {
  local staging
  staging=$(mktemp -d)
  cp "$1" "$staging/VOK Decompiler.exe"
  sed 's/$/\r/' docs/README.txt >"$staging/README.txt"
  sed 's/$/\r/' LICENSE >"$staging/LICENSE.txt"
  chmod 644 "$staging"/*
  TZ=UTC touch -d '2000-01-01 00:00:00' "$staging"/*
  (cd "$staging" && TZ=UTC zip -q -X -D "$2" "VOK Decompiler.exe" README.txt LICENSE.txt)
  rm -rf "$staging"
}

# sums DIR: the lines of SHA256SUMS for the release's two zips in DIR.
sums() { (cd "$1" && sha256sum -- "VOK-Decompiler-$version-"{win32,win64}.zip); }
