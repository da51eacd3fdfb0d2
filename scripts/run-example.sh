#!/usr/bin/env bash
# Sets up the machine, builds PlanChoice.exe and runs it under Wine on a
# scratch copy of the example profile in examples/. With $DISPLAY set it opens the real
# window for you; without one it runs on a virtual display, picks
# "Sorvel 25" through the test driver and saves a screenshot. Either way it
# ends by printing the profile's change and the program's exit code, and
# fails when the program did not end with one of its own exit codes.
#
# It uses the win32 build (the product) where this machine runs 32-bit
# programs, else the win64 build, and says which.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
source scripts/wine-env.sh
pick_windows_preset
build="build/$WINDOWS_PRESET"
echo "run-example: building $build"
build_windows_targets PlanChoice plan_demo

scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-example.XXXXXX")
profile_dir="$scratch/Kelvarin Setup"
mkdir -p "$profile_dir"
profile=$(basename examples/*.cmp)  # the one profile the programs rewrite
cp "examples/$profile" "$profile_dir/"

exit_code=0
if [ -n "${DISPLAY:-}" ]; then
  session="$scratch/session"
  echo "run-example: starting a Wine session in $session"
  # The session's Wine server stays until stopped, so it is stopped however this ends.
  trap 'scripts/wine-session.sh stop "$session"' EXIT
  scripts/wine-session.sh start "$session" "$WINDOWS_PRESET" --on-display >/dev/null
  windows_dir=$(scripts/wine-run.sh "$session" winepath -w "$profile_dir" | tr -d '\r')
  echo "run-example: PlanChoice.exe \"$windows_dir\" - choose a plan and press OK"
  scripts/wine-run.sh "$session" "$build/bin/PlanChoice.exe" "$windows_dir" || exit_code=$?
else
  echo "run-example: no \$DISPLAY; running on a virtual display and picking \"Sorvel 25\""
  scripts/screenshot.sh "$scratch/screenshot.png" "$profile_dir" || exit_code=$?
fi

echo
echo "Change to $profile:"
diff -u --label "examples/$profile" --label "$profile_dir/$profile" \
  "examples/$profile" "$profile_dir/$profile" || true
# What the code means, from the programs' own table of exit codes.
meaning=$(sed -n "s/^PLANCHOICE_EXIT_CODE($exit_code, [A-Za-z]*, \"\([^\"]*\)\", .*/\1/p" src/logic/outcome.def)
failed=0
if [ -z "$meaning" ]; then
  meaning="not one of PlanChoice's own exit codes: the program did not run or did not end normally"
  failed=1
fi
echo "Exit code: $exit_code ($meaning)"
echo "The files are in $scratch"
if [ -f "$scratch/screenshot.png" ]; then
  echo "The screenshot is $scratch/screenshot.png"
fi
if [ "$failed" -ne 0 ]; then
  echo "run-example: FAILED: PlanChoice.exe under the $WINDOWS_PRESET build ended with $exit_code" >&2
  exit 1
fi
