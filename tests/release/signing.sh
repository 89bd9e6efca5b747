#!/usr/bin/env bash
# Signs the release packaged in folder ONE with a throwaway certificate and
# checks it as its users would, from folder OTHER, a copy of the same sources
# built on its own: the signed programs verify against the throwaway CA, lose
# their signature back to the unsigned bytes, and scripts/verify-release.sh
# accepts the release and names each fault in a damaged one
# (tests/release/damaged_releases.txt).
# Usage: bash tests/release/signing.sh ONE OTHER (tests/release/reproducible.sh
# runs it on the two folders it packages).
set -euo pipefail
one=$1 other=$2
here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export SIGN_PASSWORD=throwaway-$RANDOM$RANDOM
x509=(-x509 -newkey rsa:2048 -nodes -days 1)
openssl req "${x509[@]}" -keyout ca.key -out ca.crt -subj "/CN=Throwaway CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req "${x509[@]}" -keyout signer.key -out signer.crt -subj "/CN=Throwaway signer" \
  -CA ca.crt -CAkey ca.key -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in signer.crt -certfile ca.crt -out signer.p12 \
  -passout env:SIGN_PASSWORD
SIGN_PFX=signer.p12 bash "$one/scripts/package.sh" >/dev/null || { echo "FAIL: signing"; exit 1; }

status=0
check() { if "${@:2}" >/dev/null 2>&1; then echo "ok: $1"; else echo "FAIL: $1"; status=1; fi; }
for preset in win64 win32; do
  unzip -p "$one/dist/"*-$preset.zip "VOK Decompiler.exe" >$preset.exe
  check "$preset: the signed program verifies against the throwaway CA" \
    osslsigncode verify -CAfile ca.crt -in $preset.exe
  osslsigncode remove-signature -in $preset.exe -out $preset-unsigned.exe >/dev/null || true
  check "$preset: without its signature it is the program built in the other folder" \
    cmp -s $preset-unsigned.exe "$other/build/$preset/app/VOK Decompiler.exe"
done

# Damaged copies of the release, and sources changed after it was signed.
while IFS='|' read -r case change expected; do
  [[ $case == \#* ]] && continue
  rm -rf release && cp -r "$one/dist" release
  (cd release && eval "$change")
  out=$(bash "$other/scripts/verify-release.sh" release) && said=accepted || said=$(grep FAIL <<<"$out" || true)
  check "verify-release.sh, release $case: $expected" grep -F -- "$expected" <<<"$said"
done <"$here/damaged_releases.txt"
exit "$status"
