#!/usr/bin/env bash
# Builds the release of the committed sources twice and compares the
# programs, the zip and its SHA256SUMS, the Windows Installer package and the
# example installer, byte for byte. The two builds run from
# copies at paths of different lengths (so that a build path written into a
# program shows), at different times, in time zones fourteen hours apart and
# under different umasks. Building needs no Wine, and the tests are left out.
#   scripts/check-reproducible.sh [win32|win64] [--signed] [-DACCESS_NUMBER_A=... ...]
# --signed signs both builds with one throw-away certificate that the script
# makes, at the commit's time, and checks that every signed file verifies.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-win32}
case "$preset" in
  win32 | win64) ;;
  *)
    echo "usage: scripts/check-reproducible.sh [win32|win64] [--signed] [cmake -D options]" >&2
    exit 2
    ;;
esac
signed=0
cmake_options=()
for option in "${@:2}"; do
  if [ "$option" = --signed ]; then
    signed=1
  else
    cmake_options+=("$option")
  fi
done

scripts/setup.sh
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "reproducible: uncommitted changes are not part of this check; it builds $commit"
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-reproducible.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
if [ "$signed" -eq 1 ]; then
  tests/signing/make-test-certificate.sh "$scratch/certificate"
  cmake_options+=(-DPLANCHOICE_SIGNING_CERT="$scratch/certificate/signing.pem"
    -DPLANCHOICE_SIGNING_KEY="$scratch/certificate/signing.key")
  # The copies are no git checkouts: the signing time is given.
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
  export SOURCE_DATE_EPOCH
fi

# build SOURCE_DIR TIME_ZONE UMASK
build() {
  mkdir -p "$1"
  git archive "$commit" | tar -x -C "$1"
  echo "reproducible: building $preset in $1 (TZ=$2, umask $3)"
  if ! (cd "$1" && umask "$3" && export TZ="$2" &&
    cmake --preset "$preset" -DBUILD_TESTING=OFF "${cmake_options[@]}" &&
    nice cmake --build --preset "$preset" --target package) >"$1.log" 2>&1; then
    cat "$1.log" >&2
    echo "reproducible: FAILED: the build in $1 failed" >&2
    exit 1
  fi
}

started=$SECONDS
first="$scratch/a"
second="$scratch/another-copy/of-the-sources"
build "$first" UTC0 022
build "$second" EAST-14 077
echo "reproducible: both builds took $((SECONDS - started)) s"
if [ "$signed" -eq 1 ]; then
  grep -h -m 1 -- "-- Signing with" "$first.log" | sed 's/^-- /reproducible: /'
fi

zip=$(cd "$first/build/$preset" && echo PlanChoice-*-"$preset".zip)
msi=$(cd "$first/build/$preset" && echo kelvarin-*.msi)
differ=0
for file in bin/PlanChoice.exe bin/planset.exe "$zip" SHA256SUMS bin/plan_action.dll "$msi" \
  setup/kelvarin-setup.exe; do
  one="$first/build/$preset/$file"
  other="$second/build/$preset/$file"
  verified=""
  if [ "$signed" -eq 1 ] && [[ "$file" == *.exe || "$file" == *.dll || "$file" == *.msi ]]; then
    if osslsigncode verify -CAfile "$scratch/certificate/ca.pem" -in "$one" >"$scratch/verify.log" 2>&1; then
      verified="  (signed, verifies)"
    else
      differ=1
      verified="  (NOT VERIFIED: $(tail -n 3 "$scratch/verify.log" | tr '\n' ' '))"
    fi
  fi
  if cmp -s "$one" "$other"; then
    echo "  equal      $(sha256sum <"$one" | cut -c1-64)  $(stat -c %s "$one") bytes  $file$verified"
  else
    differ=1
    echo "  DIFFERENT  $file$verified"
    for copy in "$one" "$other"; do
      [ -e "$copy" ] && echo "             $(sha256sum <"$copy" | cut -c1-64)  $copy"
    done
    cmp "$one" "$other" || true
  fi
done

if [ "$differ" -ne 0 ]; then
  echo "reproducible: FAILED: two builds of $commit differ, or a signed file does not verify" >&2
  exit 1
fi
if [ "$signed" -eq 1 ]; then
  echo "reproducible: two signed builds of $commit ($preset) are byte for byte the same, and every signed file verifies"
else
  echo "reproducible: two builds of $commit ($preset) are byte for byte the same"
fi
