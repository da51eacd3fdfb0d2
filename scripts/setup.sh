#!/usr/bin/env bash
# Installs what building and testing PlanChoice needs on Debian 12, as far as
# this machine can use it, and says what it left out and why. Run as root (or
# through sudo). Installs only what is missing, so a second run is quick. It
# fails only when something the build and the 64-bit tests need cannot be
# installed.
#
# PLANCHOICE_APT_GET, PLANCHOICE_DPKG, PLANCHOICE_DPKG_QUERY and
# PLANCHOICE_32BIT_PROBE replace apt-get, dpkg, dpkg-query and the check that
# this machine runs 32-bit programs (a command that ends with 0 if it does,
# else prints why not); with apt-get replaced, nothing asks for root.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest            # native build and tests
  clang libclang-rt-14-dev clang-format       # sanitizers, the fuzzer, the format check
  g++-mingw-w64-i686 g++-mingw-w64-x86-64     # 32- and 64-bit Windows builds
  wine wine32:i386 wine64 fonts-wine          # running them; which Wine runs here, see wine-env.sh
  xvfb x11-apps imagemagick                   # a virtual display and its screenshots
  libbenchmark-dev hyperfine jq               # the benchmark, and what reads its figures
  crudini                                     # the benchmark compares planset with it
  nsis                                        # the example installer (makensis)
  python3                                     # the build's check of the programs' manifests
  wixl msitools faketime                      # the Windows Installer package, fixed in time
  osslsigncode openssl                        # signing a release; the tests' throw-away certificate
  p7zip-full                                  # 7z, which opens archives and installers
)
# The packages the build and the 64-bit tests can do without, and what then
# cannot run.
readonly windows_tests_on_win64="the win64 build runs the Windows tests and scripts/run-example.sh, and the win32 build's Wine tests are reported skipped"
declare -A without=(
  [wine32:i386]="$windows_tests_on_win64, as on machines that cannot run 32-bit programs"
  [hyperfine]="scripts/bench.sh cannot run" [jq]="scripts/bench.sh cannot run"
  [crudini]="scripts/bench.sh cannot run"
)

apt_get=${PLANCHOICE_APT_GET:-apt-get}
dpkg=${PLANCHOICE_DPKG:-dpkg}
dpkg_query=${PLANCHOICE_DPKG_QUERY:-dpkg-query}

# A 93-byte static i386 program that only ends with 42 through int 0x80: it
# needs no 32-bit library, so it runs wherever the kernel runs 32-bit
# programs, and fails with "Exec format error" where it does not.
run_tiny_32bit_program() {
  local program output status=0
  program=$(mktemp "${TMPDIR:-/tmp}/planchoice-32bit.XXXXXX")
  {
    printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08'
    printf '\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0'
    printf '\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5d\0\0\0\x5d\0\0\0\x05\0\0\0\0\x10\0\0'
    printf '\x31\xc0\x40\x31\xdb\xb3\x2a\xcd\x80'
  } >"$program"
  chmod +x "$program"
  output=$("$program" 2>&1) || status=$?
  rm -f "$program"
  [ "$status" -eq 42 ] && return 0
  output=${output##*: }
  echo "a 32-bit program fails with: ${output:-exit status $status}"
  return 1
}

# apt's reason, from what it printed (OUTPUT) and how it ended (STATUS): its
# first error line.
apt_reason() {
  local reason
  reason=$(grep -m 1 '^E: ' <<<"$1" | sed 's/^E: //') || true
  : "${reason:=$(tail -n 1 <<<"$1")}"
  reason=${reason%.}
  echo "${reason:-it ended with $2}"
}

# Installs PACKAGES in one call; on failure sets reason to apt's.
apt_install() {
  [ $# -gt 0 ] || return 0
  local output status=0
  output=$("$apt_get" install -y -qq --no-install-recommends "$@" 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 0 ] && return 0
  reason=$(apt_reason "$output" "$status")
  return 1
}

# Installs each of PACKAGES on its own, noting apt's reason for each that fails.
apt_install_each() {
  local package
  for package in "$@"; do
    apt_install "$package" || failed[$package]=$reason
  done
}

installed() {
  "$dpkg_query" -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

probe=${PLANCHOICE_32BIT_PROBE:-run_tiny_32bit_program}
if no_32bit_reason=$("$probe" 2>&1); then
  no_32bit_reason=""
else
  : "${no_32bit_reason:=$probe failed and said nothing}"
fi
missing_needed=()
missing_optional=()
for package in "${packages[@]}"; do
  if [ "$package" = wine32:i386 ] && [ -n "$no_32bit_reason" ]; then
    continue
  fi
  if ! installed "$package"; then
    if [ -n "${without[$package]:-}" ]; then
      missing_optional+=("$package")
    else
      missing_needed+=("$package")
    fi
  fi
done
missing=("${missing_needed[@]}" "${missing_optional[@]}")

if [ ${#missing[@]} -gt 0 ] && [ "$(id -u)" -ne 0 ] && [ -z "${PLANCHOICE_APT_GET:-}" ]; then
  exec sudo "$0" "$@"
fi
if [ -n "$no_32bit_reason" ]; then
  echo "setup: not asking for wine32: this machine cannot run 32-bit programs ($no_32bit_reason), so $windows_tests_on_win64"
fi
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: everything is installed"
  exit 0
fi

echo "setup: installing ${missing[*]}"
if [[ " ${missing[*]} " == *" wine32:i386 "* ]] &&
  ! grep -qx i386 <<<"$("$dpkg" --print-foreign-architectures)"; then
  "$dpkg" --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
for attempt in first second; do
  status=0
  output=$("$apt_get" update -qq 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 0 ] && break
  if [ "$attempt" = first ]; then
    echo "setup: apt-get update failed ($(apt_reason "$output" "$status")); trying once more"
  else
    echo "setup: apt-get update failed again ($(apt_reason "$output" "$status")); going on with the package lists this machine has"
  fi
done

declare -A failed=()
if ! apt_install "${missing[@]}"; then
  if [ ${#missing[@]} -eq 1 ]; then
    failed[${missing[0]}]=$reason
  else
    apt_install_each "${missing_optional[@]}"
    # The needed ones together again, unless that was the call that failed.
    if [ ${#missing_optional[@]} -eq 0 ] || [ ${#missing_needed[@]} -lt 2 ] ||
      ! apt_install "${missing_needed[@]}"; then
      apt_install_each "${missing_needed[@]}"
    fi
  fi
fi

status=0
left_out=()
for package in "${missing[@]}"; do
  [ -n "${failed[$package]:-}" ] || continue
  if [ -n "${without[$package]:-}" ]; then
    echo "setup: left out $package, which could not be installed (${failed[$package]}): ${without[$package]}"
    left_out+=("$package")
  else
    echo "setup: FAILED: $package could not be installed, and the build and the 64-bit tests need it (apt-get: ${failed[$package]})" >&2
    status=1
  fi
done
if [ "$status" -eq 0 ]; then
  echo "setup: done${left_out[*]:+, without ${left_out[*]}}"
fi
exit "$status"
