#!/usr/bin/env bash
# Builds the release of the committed sources twice and compares the
# programs, the zip and its SHA256SUMS, and the Windows Installer package,
# byte for byte. The two builds run from
# copies at paths of different lengths (so that a build path written into a
# program shows), at different times, in time zones fourteen hours apart and
# under different umasks. Building needs no Wine, and the tests are left out.
#   scripts/check-reproducible.sh [win32|win64] [-DACCESS_NUMBER_A=... ...]
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-win32}
case "$preset" in
  win32 | win64) ;;
  *)
    echo "usage: scripts/check-reproducible.sh [win32|win64] [cmake -D options]" >&2
    exit 2
    ;;
esac
cmake_options=("${@:2}")

scripts/setup.sh
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "reproducible: uncommitted changes are not part of this check; it builds $commit"
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-reproducible.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# build SOURCE_DIR TIME_ZONE UMASK
build() {
  mkdir -p "$1"
  git archive "$commit" | tar -x -C "$1"
  echo "reproducible: building $preset in $1 (TZ=$2, umask $3)"
  if ! (cd "$1" && umask "$3" && export TZ="$2" &&
    cmake --preset "$preset" -DPLANCHOICE_BUILD_TESTS=OFF "${cmake_options[@]}" &&
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

zip=$(cd "$first/build/$preset" && echo PlanChoice-*-"$preset".zip)
msi=$(cd "$first/build/$preset" && echo kelvarin-*.msi)
differ=0
for file in bin/PlanChoice.exe bin/planset.exe "$zip" SHA256SUMS bin/plan_action.dll "$msi"; do
  one="$first/build/$preset/$file"
  other="$second/build/$preset/$file"
  if cmp -s "$one" "$other"; then
    echo "  equal      $(sha256sum <"$one" | cut -c1-64)  $(stat -c %s "$one") bytes  $file"
  else
    differ=1
    echo "  DIFFERENT  $file"
    for copy in "$one" "$other"; do
      [ -e "$copy" ] && echo "             $(sha256sum <"$copy" | cut -c1-64)  $copy"
    done
    cmp "$one" "$other" || true
  fi
done

if [ "$differ" -ne 0 ]; then
  echo "reproducible: FAILED: two builds of $commit differ" >&2
  exit 1
fi
echo "reproducible: two builds of $commit ($preset) are byte for byte the same"
