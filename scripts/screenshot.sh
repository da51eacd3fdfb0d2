#!/usr/bin/env bash
# Shows PlanChoice.exe under Wine on a virtual display, picks "Sorvel 25"
# through the test driver, saves a picture of the window and then presses OK.
#
#   scripts/screenshot.sh [PICTURE.png [PROFILE_DIR]]
#
# By default it makes docs/screenshot.png on a scratch copy of the example
# profile. PROFILE_DIR, when given, is the directory whose kelvarin.cmp the
# program rewrites. Ends with PlanChoice.exe's exit code. The build is the
# win32 preset's, in $PLANCHOICE_BUILD_DIR (default build/win32).
set -euo pipefail
cd "$(dirname "$0")/.."

picture=$(realpath -m "${1:-docs/screenshot.png}")
build=${PLANCHOICE_BUILD_DIR:-build/win32}
plan="Sorvel 25"
margin=12

scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-screenshot.XXXXXX")
session="$scratch/session"
cleanup() {
  scripts/wine-session.sh stop "$session" >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT

if [ $# -ge 2 ]; then
  profile_dir=$(realpath "$2")
else
  profile_dir="$scratch/profile"
  mkdir -p "$profile_dir"
  cp examples/kelvarin.cmp "$profile_dir/"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset win32 -B "$build" >/dev/null
fi
cmake --build "$build" --target PlanChoice plan_demo >/dev/null

scripts/wine-session.sh start "$session" >/dev/null
# Debian's Wine does not find the fonts it ships (Tahoma, Marlett for the
# caption buttons, MS Sans Serif); in the prefix's font folder it does.
cp /usr/share/wine/fonts/* "$session/prefix/drive_c/windows/Fonts/" 2>/dev/null || true
display=$(cat "$session/display")
windows_dir=$(scripts/wine-run.sh "$session" winepath -w "$profile_dir" | tr -d '\r')

# The driver says "ready LEFT TOP WIDTH HEIGHT" once the plan shows, and
# presses OK when it reads a line.
coproc DEMO { scripts/wine-run.sh "$session" "$build/tests/window/plan_demo.exe" "$plan" "$windows_dir"; }
if ! read -r word left top width height <&"${DEMO[0]}" || [ "$word" != ready ]; then
  echo "screenshot: the dialog did not come up" >&2
  exit 1
fi
height=${height%$'\r'}  # a Windows program ends its lines with CR LF
mkdir -p "$(dirname "$picture")"
xwd -root -silent -display "$display" |
  convert xwd:- -crop "$((width + 2 * margin))x$((height + 2 * margin))+$((left - margin))+$((top - margin))" \
    +repage "$picture"
echo "screenshot: saved $picture" >&2
echo go >&"${DEMO[1]}"
exit_code=0
wait "$DEMO_PID" || exit_code=$?
exit "$exit_code"
