#!/usr/bin/env bash
# Checks a published signed release against this checkout, for anyone: builds
# the unsigned programs here, attaches each published detached signature to
# them (osslsigncode attach-signature), packs them as scripts/package.sh does,
# and compares each signed program, each zip and SHA256SUMS with the published
# ones, byte for byte. Says which file is missing, which signature does not
# fit, which program differs.
# That proves the build, not the signer: anyone can sign our build. So it
# verifies each signature (made with the key of the certificate it names, over
# this program's digest; no certificate authority is trusted or needed, the
# published fingerprint is the trust), fails if it does not verify, prints who
# made it (the certificate that verified it: its subject and issuer, and its
# SHA-256 fingerprint), and with --signer FINGERPRINT fails unless both were
# made with that certificate (the maintainers publish its fingerprint with
# each release; colons, blanks and case do not matter).
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

# verified NAME EXE: whether the signature (from NAME.sig) of the program EXE
# verifies, trusting no certificate authority (the published fingerprint is
# the trust, so no chain is asked for); if not, says why. It verifies when the
# key of the certificate that its SignerInfo names by issuer and serial number
# (of those the signature carries) made it, over the signed attributes that
# sign its content (openssl smime -noverify), and when the Authenticode digest
# that content holds is this program's (osslsigncode verify prints both
# first; what it then says of the chain is not asked for). That certificate,
# the signer, is written to $work/signer.pem. The signature is read from the
# program, as the .sig files' framing differs between osslsigncode versions
# (2.5 keeps the PE certificate entry's header, 2.9 does not).
verified() {
  local start="" length="" current="" calculated=""
  rm -f "$work"/sig.* "$work/content" "$work/signer.pem"
  osslsigncode extract-signature -pem -in "$2" -out "$work/sig.pem" >/dev/null 2>&1 || true
  # PKCS #7 signs the content's DER value (without its tag and length): the
  # element two levels inside SignedData's third field, the ContentInfo.
  read -r start length <<<"$(openssl asn1parse -in "$work/sig.pem" -out "$work/sig.der" 2>/dev/null |
    awk -F '[:=] *' '$3 + 0 == 3 { n++ } n == 3 && $3 + 0 == 5 && !done++ { print $1 + $4, $5 + 0 }')" ||
    true
  [[ -n $length ]] && dd if="$work/sig.der" of="$work/content" iflag=skip_bytes,count_bytes \
    skip="$start" count="$length" status=none
  if ! openssl smime -verify -noverify -binary -inform PEM -in "$work/sig.pem" \
    -content "$work/content" -signer "$work/signer.pem" -out /dev/null 2>/dev/null; then
    fail "$1.sig does not verify: its signature was not made with the key of the certificate it names"
    return 1
  fi
  read -r current calculated < <(osslsigncode verify -CAfile "$work/signer.pem" -ignore-timestamp \
    -in "$2" 2>/dev/null | sed -n 's/^C[a-z]* message digest *: *\([0-9A-F]*\).*/\1/p' |
    head -n 2 | xargs) || true
  if [[ -z $current || $current != "$calculated" ]]; then
    fail "$1.sig does not verify: it signs another program (the digest it holds is not this program's)"
    return 1
  fi
}
# field NAME: the signer's subject, issuer or fingerprint (SHA-256).
field() {
  openssl x509 -in "$work/signer.pem" -noout -"$1" -sha256 -nameopt RFC2253 | sed 's/^[^=]*=//'
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
  # The result is written even where the signature's digest does not fit or
  # its certificate is not trusted here; it is then checked, and verified.
  osslsigncode attach-signature -sigin "$dir/$name.sig" -in "$built" \
    -out "$work/$preset.exe" >/dev/null 2>&1 || true
  if [[ ! -f $work/$preset.exe ]]; then
    fail "$name.sig is not a signature that can be attached"
    continue
  fi
  if cmp -s "$work/$preset.exe" "$work/published.exe"; then
    echo "ok: $name.sig attached to the $preset program built here gives the published program"
    if verified "$name" "$work/$preset.exe"; then
      subject=$(field subject) issuer=$(field issuer) fingerprint=$(field fingerprint)
      echo "signer: $name.sig was made by \"$subject\", issued by \"$issuer\"," \
        "certificate SHA-256 $fingerprint"
      if [[ -n $expected && $(tr -d : <<<"$fingerprint") != "$expected" ]]; then
        fail "$name.sig was made by the certificate $fingerprint, not by the expected $wanted"
      fi
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
