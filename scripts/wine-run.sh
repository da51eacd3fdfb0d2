#!/usr/bin/env bash
# Runs a Windows program under Wine in a session made by wine-session.sh:
#   wine-run.sh SESSION_DIR PROGRAM.exe [ARGS...]
# In a 32-bit session where 32-bit Windows programs cannot run, it runs
# nothing, says why and exits with 77, which CTest reports as skipped.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

session=${1:?usage: wine-run.sh SESSION_DIR PROGRAM [ARGS...]}
shift
if [ -f "$session/skip" ]; then
  cat "$session/skip"
  exit 77
fi
if [ ! -d "$session/prefix" ]; then
  echo "No Wine session in $session; run the tests through ctest, which starts one." >&2
  exit 2
fi
wine_use "$(cat "$session/arch")" "$session/prefix"
DISPLAY=$(cat "$session/display")
export DISPLAY
exec "${WINE_RUN[@]}" "$@"
