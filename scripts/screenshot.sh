#!/usr/bin/env bash
# Shows PlanChoice.exe under Wine on a virtual display, picks "Sorvel 25"
# through the test driver, saves a picture of the window and then presses OK.
#
#   scripts/screenshot.sh [--dpi N] [PICTURE.png [PROFILE_DIR]]
#
# By default it makes docs/screenshot.png on a scratch copy of the example
# profile. PROFILE_DIR, when given, is the directory whose profile the
# program rewrites. --dpi N shows the window as on a screen of N DPI (96
# unless given). Ends with PlanChoice.exe's exit code, or 125 when the
# dialog could not be shown and worked. It uses the win32 build where this
# machine runs 32-bit programs, else the win64 build. The same window gives
# the same picture, byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

dpi=
if [ "${1:-}" = --dpi ]; then
  dpi=${2:?--dpi needs a number}
  shift 2
fi
picture=$(realpath -m "${1:-docs/screenshot.png}")
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
  cp examples/*.cmp "$profile_dir/"
fi

pick_windows_preset >&2
build="build/$WINDOWS_PRESET"
build_windows_targets PlanChoice plan_demo

scripts/wine-session.sh start "$session" "$WINDOWS_PRESET" >/dev/null
display=$(cat "$session/display")
if [ -n "$dpi" ]; then
  scripts/wine-run.sh "$session" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$dpi" /f >/dev/null
fi
windows_dir=$(scripts/wine-run.sh "$session" winepath -w "$profile_dir" | tr -d '\r')

# The driver says "ready LEFT TOP WIDTH HEIGHT" once the plan shows, and
# presses OK when it reads a line.
coproc DEMO { scripts/wine-run.sh "$session" "$build/tests/window/plan_demo.exe" "$plan" "$windows_dir"; }
if ! read -r word left top width height <&"${DEMO[0]}" || [ "$word" != ready ]; then
  echo "screenshot: the dialog did not come up" >&2
  exit 125
fi
height=${height%$'\r'}  # a Windows program ends its lines with CR LF
mkdir -p "$(dirname "$picture")"
xwd -root -silent -display "$display" |
  convert xwd:- -crop "$((width + 2 * margin))x$((height + 2 * margin))+$((left - margin))+$((top - margin))" \
    +repage -define png:exclude-chunks=date,time "$picture"
echo "screenshot: saved $picture" >&2
echo go >&"${DEMO[1]}"
exit_code=0
wait "$DEMO_PID" || exit_code=$?
exit "$exit_code"
