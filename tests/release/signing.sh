#!/usr/bin/env bash
# Signs the release packaged in folder ONE with a throwaway certificate and
# checks it as its users would, from folder OTHER, a copy of the same sources
# built on its own: no process of the build sees the password, the signed
# programs verify against the throwaway CA, and scripts/verify-release.sh
# (which attaches each signature to the program built there) accepts the
# release, names its signer, and names each fault in a damaged one, one
# signed by another certificate or one with a forged signature
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
# certificate NAME: NAME.p12, a code-signing certificate "Throwaway NAME" from the CA.
certificate() {
  openssl req "${x509[@]}" -keyout "$1.key" -out "$1.crt" -subj "/CN=Throwaway $1" \
    -CA ca.crt -CAkey ca.key -addext extendedKeyUsage=codeSigning 2>/dev/null
  openssl pkcs12 -export -inkey "$1.key" -in "$1.crt" -certfile ca.crt -out "$1.p12" \
    -passout env:SIGN_PASSWORD
  openssl x509 -in "$1.crt" -noout -fingerprint -sha256 | sed 's/.*=//'
}
signer=$(certificate signer) impostor=$(certificate impostor)

# Every command that packaging runs by name goes through a recorder that
# notes its name, and whether the password is in its environment.
mkdir spy && printf %s "$SIGN_PASSWORD" >password
install -m 755 /dev/stdin spy/record <<'SPY'
#!/bin/bash
name=${0##*/} spy=${0%/*}
echo "$name" >>"$spy/ran"
grep -qzF -- "$(<"$spy/../password")" /proc/$$/environ && echo "$name" >>"$spy/saw"
exec "$(type -P -a "$name" | grep -v -m 1 "^$spy/")" "$@"
SPY
for name in bash cmake sed zip sha256sum osslsigncode cp touch chmod mktemp rm mkdir realpath \
  dpkg-query apt-get python3; do ln -s record "spy/$name"; done
for who in signer impostor; do
  PATH=$work/spy:$PATH SIGN_PFX=$who.p12 "$BASH" "$one/scripts/package.sh" >/dev/null || exit 1
  cp -r "$one/dist" "by-$who"
done

source "$here/../support/check.sh"
check "no process of the build saw the password: $(sort -u spy/saw 2>/dev/null | xargs)" \
  quietly test -s spy/ran -a ! -e spy/saw
for preset in win64 win32; do
  unzip -p by-signer/*-$preset.zip "VOK Decompiler.exe" >$preset.exe
  check "$preset: the signed program verifies against the throwaway CA" \
    quietly osslsigncode verify -CAfile ca.crt -in $preset.exe
done

# twin.sig: a forgery, the win64 program signed with another key whose
# certificate copies our signer's issuer and serial number, our signer's
# certificate put first of those the signature carries.
openssl req "${x509[@]}" -keyout twin.key -out twin.crt -subj "/CN=Throwaway twin" -CA ca.crt \
  -CAkey ca.key -set_serial "0x$(openssl x509 -in signer.crt -noout -serial | sed 's/.*=//')" 2>/dev/null
osslsigncode sign -certs twin.crt -ac signer.crt -key twin.key -h sha256 \
  -in "$one/build/win64/app/VOK Decompiler.exe" -out twin.exe >/dev/null
osslsigncode extract-signature -in twin.exe -out twin.sig >/dev/null
perl -0777 -pi -e 'BEGIN { ($s, $t) = map { `openssl x509 -outform DER -in $_.crt` } qw(signer twin) }
  s/\Q$t$s/$s$t/' twin.sig
# publish PRESET: the release in this folder made anew around the signature its
# PRESET .sig holds, as whoever forged that signature would publish it: the
# program signed with it, zipped as package.sh does, and SHA256SUMS.
publish() {
  local zip=("$PWD"/*-"$1".zip)
  rm -f "$work/forged.exe" "${zip[0]}"
  osslsigncode attach-signature -sigin ./*-"$1".sig -in "$one/build/$1/app/VOK Decompiler.exe" \
    -out "$work/forged.exe" >/dev/null 2>&1 || true
  (cd "$one" && source scripts/release-lib.sh && pack_zip "$work/forged.exe" "${zip[0]}")
  sha256sum -- *.zip >SHA256SUMS
}

# Damaged copies of the release, sources changed after it was signed, and a
# release signed by another certificate. What a case changes in the sources
# is put back after it, from this copy.
mkdir sources && (cd "$other" && tar --exclude=./build --exclude=./dist -cf - .) | tar -xf - -C sources
while IFS='|' read -r case change options expected; do
  rm -rf release && cp -r by-signer release
  (cd release && eval "$change")
  # shellcheck disable=SC2086 # the options are words
  out=$(bash "$other/scripts/verify-release.sh" $options release) && said="accepted $out" ||
    said=$(grep FAIL <<<"$out" || true)
  check "verify-release.sh, release $case: $expected" quietly grep -F -- "$expected" <<<"$said"
  (cd sources && find . -type f) | while read -r file; do
    cmp -s "sources/$file" "$other/$file" || cp "sources/$file" "$other/$file"; done
done < <(grep -v '^#' "$here/damaged_releases.txt" | sed "s/\$signer/$signer/g; s/\$impostor/$impostor/g")
checks_done
