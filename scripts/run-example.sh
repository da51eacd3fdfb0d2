#!/usr/bin/env bash
# Sets up the machine, builds PlanChoice.exe and runs it under Wine on a
# scratch copy of examples/kelvarin.cmp. With $DISPLAY set it opens the real
# window for you; without one it runs on a virtual display, picks
# "Sorvel 25" through the test driver and saves a screenshot. Either way it
# ends by printing the profile's change and the program's exit code.
#
# The build is the win32 preset's, in $PLANCHOICE_BUILD_DIR (default build/win32).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${PLANCHOICE_BUILD_DIR:-build/win32}

scripts/setup.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset win32 -B "$build" >/dev/null
fi
echo "run-example: building $build"
cmake --build "$build" --target PlanChoice plan_demo >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-example.XXXXXX")
profile_dir="$scratch/Kelvarin Setup"
mkdir -p "$profile_dir"
cp examples/kelvarin.cmp "$profile_dir/"

exit_code=0
if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX="$scratch/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  echo "run-example: making a Wine prefix in $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 </dev/null
  # Debian's Wine does not find the fonts it ships; in the prefix it does.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  windows_dir=$(wine winepath -w "$profile_dir" | tr -d '\r')
  echo "run-example: PlanChoice.exe \"$windows_dir\" - choose a plan and press OK"
  wine "$build/bin/PlanChoice.exe" "$windows_dir" || exit_code=$?
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
else
  echo "run-example: no \$DISPLAY; running on a virtual display and picking \"Sorvel 25\""
  scripts/screenshot.sh "$scratch/screenshot.png" "$profile_dir" || exit_code=$?
fi

echo
echo "Change to kelvarin.cmp:"
diff -u --label "examples/kelvarin.cmp" --label "$profile_dir/kelvarin.cmp" \
  examples/kelvarin.cmp "$profile_dir/kelvarin.cmp" || true
case "$exit_code" in
  0) meaning="the profile was rewritten" ;;
  1) meaning="the window was closed without a change" ;;
  2) meaning="no directory was given" ;;
  3) meaning="the rewrite failed; the profile was left as it was" ;;
  *) meaning="the program did not end normally" ;;
esac
echo "Exit code: $exit_code ($meaning)"
echo "The files are in $scratch"
if [ -f "$scratch/screenshot.png" ]; then
  echo "The screenshot is $scratch/screenshot.png"
fi
