#!/usr/bin/env bash
# Builds the release of these sources signed with a throw-away certificate,
# in a build of its own, and checks each file it signs: it verifies against
# the certificate's authority, and so does every PE file it carries (what
# 7z unpacks from the installer and its uninstaller included); with
# one byte flipped it does not; signed again, it is the same byte for byte.
#   signed-release-test.sh WORK SOURCE FILES [cmake configure options...]
# FILES: the release's files, relative to a build and separated by commas;
# a zip is not signed itself, but the programs in it are checked. Judged by
# exit status only, as osslsigncode's versions word their output
# differently.
set -euo pipefail
work=$1
source=$2
IFS=, read -r -a files <<<"$3"
configure_options=("${@:4}")

build=$work/build
certificate=$work/certificate
"$(dirname "$0")/make-test-certificate.sh" "$certificate"
if ! { cmake -S "$source" -B "$build" -DBUILD_TESTING=OFF \
  -DPLANCHOICE_SIGNING_CERT="$certificate/signing.pem" \
  -DPLANCHOICE_SIGNING_KEY="$certificate/signing.key" "${configure_options[@]}" &&
  cmake --build "$build" --target package --parallel 2; } >"$work/build.log" 2>&1; then
  cat "$work/build.log"
  echo "FAILED: the signed build failed"
  exit 1
fi
grep -m 1 -- "-- Signing with" "$work/build.log" || true

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
verifies() {
  osslsigncode verify -CAfile "$certificate/ca.pem" -in "$1" >"$work/verify.log" 2>&1
}

# The PE files a zip, a package or an installer carries, each verified.
pe_files=0
signed_pe_files=0
check_carried() {
  local file=$1 carried count=0
  while IFS= read -r -d '' carried; do
    [ "$(head -c 2 "$carried")" = MZ ] || continue
    count=$((count + 1))
    if verifies "$carried"; then
      signed_pe_files=$((signed_pe_files + 1))
    else
      fail "${carried#"$scratch/"} in $file does not verify: $(cat "$work/verify.log")"
    fi
  done < <(find "$scratch" -type f -print0)
  pe_files=$((pe_files + count))
  [ "$count" -gt 0 ] || fail "$file carries no program"
}

scratch=$work/scratch
for file in "${files[@]}"; do
  path=$build/$file
  rm -rf "$scratch"
  mkdir -p "$scratch"
  if [ ! -f "$path" ]; then
    fail "the signed build made no $file"
    continue
  fi
  case "$file" in
    *.zip)
      cmake -E chdir "$scratch" cmake -E tar xf "$path"
      check_carried "$file"
      continue
      ;;
    *.msi)
      msiextract -C "$scratch" "$path" >/dev/null
      for stream in $(msiinfo streams "$path" | grep '^Binary\.'); do
        msiinfo extract "$path" "$stream" >"$scratch/$stream.dll"
      done
      check_carried "$file"
      ;;
    *setup*.exe)
      7z x -y -o"$scratch/setup" "$path" >/dev/null
      7z x -y -o"$scratch/uninstall" "$scratch/setup/uninstall.exe" >/dev/null
      check_carried "$file"
      ;;
  esac
  is_pe=0
  [ "$(head -c 2 "$path")" = MZ ] && is_pe=1
  pe_files=$((pe_files + is_pe))

  if verifies "$path"; then
    echo "verified: $file"
    signed_pe_files=$((signed_pe_files + is_pe))
  else
    fail "$file does not verify: $(cat "$work/verify.log")"
  fi

  flipped=$scratch/flipped
  cp "$path" "$flipped"
  middle=$(($(stat -c %s "$path") / 2))
  byte=$(od -A n -t u1 -j "$middle" -N 1 "$path" | tr -d ' ')
  printf "\\$(printf %03o $((byte ^ 0xff)))" | dd of="$flipped" bs=1 seek="$middle" conv=notrunc status=none
  if cmp -s "$path" "$flipped" || verifies "$flipped"; then
    fail "$file still verifies with the byte at $middle flipped"
  fi

  again=$scratch/signed-again
  if ! osslsigncode remove-signature -in "$path" -out "$again" >/dev/null 2>&1 ||
    ! "$build/signing/sign-file" "$again" || ! cmp -s "$path" "$again"; then
    fail "$file, signed again, differs from the build's"
  fi
done

echo "$pe_files PE files, $signed_pe_files signed"
if [ "$failures" -ne 0 ]; then
  exit 1
fi
