#!/usr/bin/env bash
# Builds the release programs and packs what a Windows user downloads:
#   dist/VOK-Decompiler-<version>-win64.zip   the 64-bit program (the one every
#                                             test runs under Wine)
#   dist/VOK-Decompiler-<version>-win32.zip   the 32-bit program, for 32-bit Windows
#   dist/SHA256SUMS                           the checksums of both
# Each zip holds "VOK Decompiler.exe", README.txt and LICENSE.txt, with CR LF
# line ends in the texts. The same sources give the same bytes: the builds
# are reproducible, and the zips have fixed times, order and permissions.
#
# Signed, by whoever holds the code-signing certificate: SIGN_PFX names the
# certificate and its key as a PKCS#12 file, SIGN_PASSWORD holds its password
# (read once and taken out of the environment before anything runs, so that
# no process of the build sees it; handed to osslsigncode on its standard
# input alone, never on a command line or in an environment), and
# SIGN_TIMESTAMP_URL optionally an RFC 3161 time-stamp server. Both programs
# are then signed (Authenticode, SHA-256) before they are zipped, and each
# signature is also written apart, as dist/VOK-Decompiler-<version>-win64.sig
# and -win32.sig: attached to the unsigned program that anyone rebuilds, it
# gives the signed program byte for byte (scripts/verify-release.sh checks).
# Usage: bash scripts/package.sh
#        SIGN_PFX=cert.p12 bash scripts/package.sh   (SIGN_PASSWORD exported)
set -euo pipefail
declare +x password=${SIGN_PASSWORD-}  # not exported, even if the environment has a "password"
unset SIGN_PASSWORD
pfx=${SIGN_PFX:+$(realpath -e "$SIGN_PFX")}
if [[ -n $pfx && -z $password ]]; then
  echo "package.sh: SIGN_PASSWORD must hold the password of $SIGN_PFX" >&2
  exit 1
fi
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/release-lib.sh

# sign IN OUT: OUT is the program IN signed with the certificate.
sign() {
  printf %s "$password" | osslsigncode sign -pkcs12 "$pfx" -readpass /dev/stdin -h sha256 \
    -n "VOK Decompiler" ${SIGN_TIMESTAMP_URL:+-ts "$SIGN_TIMESTAMP_URL"} \
    -in "$1" -out "$2" >/dev/null
}

build_programs
rm -rf dist
mkdir -p dist
signed=$(mktemp -d)
trap 'rm -rf "$signed"' EXIT
for preset in win64 win32; do
  name=VOK-Decompiler-$version-$preset
  exe="build/$preset/app/VOK Decompiler.exe"
  if [[ -n $pfx ]]; then
    sign "$exe" "$signed/$preset.exe"
    osslsigncode extract-signature -in "$signed/$preset.exe" -out "dist/$name.sig" >/dev/null
    exe=$signed/$preset.exe
  fi
  pack_zip "$exe" "$PWD/dist/$name.zip"
done
sums dist >dist/SHA256SUMS
cat dist/SHA256SUMS
