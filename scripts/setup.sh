#!/usr/bin/env bash
# Installs what building and testing PlanChoice needs on Debian 12. Run as
# root (or through sudo). Installs only what is missing, so a second run is
# quick.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest            # native build and tests
  clang libclang-rt-14-dev clang-format       # sanitizers, the fuzzer, the format check
  g++-mingw-w64-i686 g++-mingw-w64-x86-64     # 32- and 64-bit Windows builds
  wine wine32:i386 wine64 fonts-wine          # running them; which Wine runs here, see README
  xvfb x11-apps imagemagick                   # a virtual display and its screenshots
  libbenchmark-dev hyperfine jq               # the benchmark, and what reads its figures
  crudini                                     # the benchmark compares planset with it
  nsis                                        # the example installer (makensis)
  python3                                     # the build's check of the programs' manifests
  wixl msitools faketime                      # the Windows Installer package, fixed in time
  osslsigncode openssl                        # signing a release; the tests' throw-away certificate
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: everything is installed"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
