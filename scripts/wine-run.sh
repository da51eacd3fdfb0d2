#!/usr/bin/env bash
# Runs a Windows program under Wine in a session made by wine-session.sh:
#   wine-run.sh SESSION_DIR PROGRAM.exe [ARGS...]
set -euo pipefail

session=${1:?usage: wine-run.sh SESSION_DIR PROGRAM [ARGS...]}
shift
if [ ! -d "$session/prefix" ]; then
  echo "No Wine session in $session; run the tests through ctest, which starts one." >&2
  exit 125
fi
export WINEPREFIX="$session/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
DISPLAY=$(cat "$session/display")
export DISPLAY
exec wine "$@"
