#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent: returns at once when everything is already present.
#
# Wine: only the 64-bit loader (wine64) is installed. Kernels that cannot run
# i386 ELF code (as on our build machines) cannot start wine32 at all, and with
# wine32 present the `wine` wrapper would pick it. The 32-bit product is built
# and checked statically; the tests that run Windows code under Wine use the
# x86-64 build of the same sources.
#
# googletest is
# the sources (built for Windows with the cross compiler), libgtest-dev the
# native libraries and headers. osslsigncode and openssl sign releases and
# check them; gcovr reads the counts of scripts/coverage.sh.
set -euo pipefail

packages=(
  cmake g++ make git clang-format googletest libgtest-dev zlib1g-dev python3
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 fonts-wine xvfb xauth x11-utils imagemagick valgrind file zip unzip
  osslsigncode openssl gcovr
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
