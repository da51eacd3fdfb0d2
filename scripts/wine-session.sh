#!/usr/bin/env bash
# Starts or stops a throw-away Wine session: a fresh prefix with the fonts
# Wine ships and a virtual desktop, on a virtual X display of its own.
#
#   wine-session.sh start DIR ARCH [--on-display]
#       ARCH is win32 or win64. Makes DIR/prefix and starts Xvfb; DIR/display
#       names the display. With --on-display the session uses $DISPLAY and no
#       virtual desktop, for a person to use. Where ARCH is win32 and
#       32-bit Windows programs cannot run here, nothing is started: DIR/skip says
#       why, and wine-run.sh reports every program run in it as skipped.
#   wine-session.sh stop DIR
#       ends the session and removes DIR.
set -euo pipefail
here=$(dirname "$0")
source "$here/wine-env.sh"

usage="usage: wine-session.sh start DIR win32|win64 [--on-display] | stop DIR"
action=${1:?$usage}
session=${2:?$usage}

# Runs a step of the start; when it fails, says what ran, how it ended and
# the first lines it printed, and ends the script.
step() {
  local log="$session/step.log" status=0
  "$@" >"$log" 2>&1 </dev/null || status=$?
  if [ "$status" -ne 0 ]; then
    echo "Wine session did not start: '$*' exited with status $status. It printed:" >&2
    head -n 20 "$log" >&2
    exit 1
  fi
}

stop() {
  if [ -f "$session/arch" ] && [ -d "$session/prefix" ]; then
    wine_use "$(cat "$session/arch")" "$session/prefix"
    wineserver -k 2>/dev/null || true
  fi
  if [ -f "$session/xvfb.pid" ]; then
    kill "$(cat "$session/xvfb.pid")" 2>/dev/null || true
  fi
  rm -rf "$session"
}

start_xvfb() {
  # Xvfb picks a free display and writes its number to the fd we give it.
  exec 3>"$session/display.number"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$session/xvfb.log" 2>&1 </dev/null &
  echo $! >"$session/xvfb.pid"
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$session/display.number" ] && break
    sleep 0.1
  done
  if [ ! -s "$session/display.number" ]; then
    echo "Wine session did not start: Xvfb printed:" >&2
    head -n 20 "$session/xvfb.log" >&2
    exit 1
  fi
  echo ":$(tr -d '[:space:]' <"$session/display.number")" >"$session/display"
}

start() {
  local arch=${1:?$usage} on_display=${2:-}
  stop
  mkdir -p "$session"
  echo "$arch" >"$session/arch"
  if [ "$arch" = win32 ] && ! runs_32bit_programs; then
    echo "$NO_32BIT_LINE ($NO_32BIT_REASON)" | tee "$session/skip"
    exit 0
  fi
  wine_use "$arch" "$session/prefix"

  if [ "$on_display" = --on-display ]; then
    echo "${DISPLAY:?--on-display needs DISPLAY}" >"$session/display"
  else
    start_xvfb
  fi
  export DISPLAY
  DISPLAY=$(cat "$session/display")

  step "${WINE_RUN[@]}" wineboot -i
  # Debian's Wine does not find the fonts it ships (Tahoma, Marlett for the
  # caption buttons, MS Sans Serif); in the prefix's font folder it does.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  if [ "$on_display" != --on-display ]; then
    # A virtual desktop draws title bars and spares the seconds Wine waits
    # for a window manager whenever a window is hidden.
    step "${WINE_RUN[@]}" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    step "${WINE_RUN[@]}" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
  fi
  wineserver -w
  # The first program run in a prefix starts its server and services, which
  # keep that program's standard output and error open for as long as they
  # run: CTest, reading to the end of a test's output, would wait for them
  # until the test's timeout. So the session starts them again, now that the
  # prefix holds its settings, with no output of anyone's, and keeps them for
  # its whole life (-p: the server never ends by itself).
  wineserver -p </dev/null >/dev/null 2>&1
  step "${WINE_RUN[@]}" wineboot
  echo "Wine session ($arch) ready in $session on display $DISPLAY"
}

case "$action" in
  start) shift 2; start "$@" ;;
  stop) stop ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
