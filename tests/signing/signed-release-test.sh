#!/usr/bin/env bash
# Builds the release of these sources signed with a throw-away certificate,
# in a build of its own, and checks each file it signs: it verifies against
# the certificate's authority, and so does every program it carries; with
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

# The programs a zip or a package carries, each verified.
check_carried() {
  local file=$1 carried count=0
  while IFS= read -r -d '' carried; do
    count=$((count + 1))
    verifies "$carried" || fail "${carried#"$scratch/"} in $file does not verify: $(cat "$work/verify.log")"
  done < <(find "$scratch" -type f \( -name '*.exe' -o -name '*.dll' \) -print0)
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
  esac

  if verifies "$path"; then
    echo "verified: $file"
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

if [ "$failures" -ne 0 ]; then
  exit 1
fi
