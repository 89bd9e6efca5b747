#!/usr/bin/env bash
# Checks a published signed release against this checkout, for anyone: builds
# the unsigned programs here, attaches each published detached signature to
# them (osslsigncode attach-signature), packs them as scripts/package.sh does,
# and compares each signed program, each zip and SHA256SUMS with the published
# ones, byte for byte. Says which file is missing, which signature does not
# fit, which program differs.
# That proves the build, not the signer: anyone can sign our build. So it
# prints who made each signature (the signing certificate's subject and
# issuer, and its SHA-256 fingerprint), and with --signer FINGERPRINT fails
# unless both were made with that certificate (the maintainers publish its
# fingerprint with each release; colons, blanks and case do not matter).
# Usage: bash scripts/verify-release.sh [--signer FINGERPRINT] DIR   (DIR holds
#        the zips, SHA256SUMS and the .sig files; exit status 0 only when
#        everything matches)
set -euo pipefail
usage="usage: bash scripts/verify-release.sh [--signer FINGERPRINT] DIR"
wanted="" expected=""
if [[ ${1:-} == --signer ]]; then
  wanted=${2:?$usage}
  expected=$(tr -d ': ' <<<"$wanted" | tr a-f A-F)
  shift 2
fi
dir=$(realpath -e "${1:?$usage}")
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/release-lib.sh
build_programs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# signer EXE: "SUBJECT|ISSUER|FINGERPRINT" of the certificate that signed the
# program EXE: of the certificates its signature carries (the signer's and its
# chain), the one whose serial number its signer names. The signature is read
# from the program, as the .sig files' framing differs between osslsigncode
# versions (2.5 keeps the PE certificate entry's header, 2.9 does not).
signer() {
  local serial pem field fields=()
  rm -f "$work/sig.pem"
  osslsigncode extract-signature -pem -in "$1" -out "$work/sig.pem" >/dev/null
  serial=$(openssl pkcs7 -in "$work/sig.pem" -print -noout |
    sed -n '/signer_info:/,$ s/^ *serial: 0x0*//p' | head -n 1)
  openssl pkcs7 -in "$work/sig.pem" -print_certs >"$work/certs.pem"
  while read -r -d '#' pem; do
    [[ $(openssl x509 -noout -serial <<<"$pem" | sed 's/=0*/=/') == "serial=$serial" ]] || continue
    for field in subject issuer fingerprint; do
      fields+=("$(openssl x509 -noout -"$field" -sha256 -nameopt RFC2253 <<<"$pem" | sed 's/^[^=]*=//')")
    done
    (IFS='|' && echo "${fields[*]}")
    return
  done < <(sed 's/^-----END CERTIFICATE-----$/&#/' "$work/certs.pem")
}
for file in SHA256SUMS "VOK-Decompiler-$version-"{win64,win32}.{zip,sig}; do
  [[ -f $dir/$file ]] || fail "$file is missing from $dir (this checkout makes version $version)"
done

for preset in win64 win32; do
  name=VOK-Decompiler-$version-$preset
  built="build/$preset/app/VOK Decompiler.exe"
  [[ -f $dir/$name.zip && -f $dir/$name.sig ]] || continue
  if ! unzip -p "$dir/$name.zip" "VOK Decompiler.exe" >"$work/published.exe"; then
    fail "$name.zip holds no VOK Decompiler.exe"
    continue
  fi
  # The result is written, and then checked, even where the signature's
  # digest does not fit or its certificate is not trusted here.
  osslsigncode attach-signature -sigin "$dir/$name.sig" -in "$built" \
    -out "$work/$preset.exe" >/dev/null 2>&1 || true
  if [[ ! -f $work/$preset.exe ]]; then
    fail "$name.sig is not a signature that can be attached"
    continue
  fi
  if cmp -s "$work/$preset.exe" "$work/published.exe"; then
    echo "ok: $name.sig attached to the $preset program built here gives the published program"
    subject="" issuer="" fingerprint=""
    IFS="|" read -r subject issuer fingerprint < <(signer "$work/$preset.exe") || true
    echo "signer: $name.sig was made by \"$subject\", issued by \"$issuer\"," \
      "certificate SHA-256 $fingerprint"
    if [[ -n $expected && $(tr -d : <<<"$fingerprint") != "$expected" ]]; then
      fail "$name.sig was made by the certificate $fingerprint, not by the expected $wanted"
    fi
  elif ! osslsigncode remove-signature -in "$work/published.exe" -out "$work/$preset-unsigned.exe" \
    >/dev/null 2>&1; then
    fail "the program in $name.zip is not signed"
  elif ! cmp -s "$work/$preset-unsigned.exe" "$built"; then
    fail "the program in $name.zip differs from the $preset program built here"
  else
    fail "$name.sig does not fit: it is not the signature of the program in $name.zip"
  fi
  pack_zip "$work/$preset.exe" "$work/$name.zip"
  if cmp -s "$work/$name.zip" "$dir/$name.zip"; then
    echo "ok: $name.zip is the zip packed here"
  else
    fail "$name.zip differs from the zip packed here"
  fi
done
if [[ -f $dir/SHA256SUMS ]]; then
  if sums "$dir" 2>/dev/null | cmp -s - "$dir/SHA256SUMS"; then
    echo "ok: SHA256SUMS holds the zips' sums"
  else
    fail "SHA256SUMS does not hold the sums of the zips in $dir"
  fi
fi
exit "$status"
