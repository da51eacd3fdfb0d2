#!/usr/bin/env bash
# Starts or stops a throw-away Wine session for the Windows tests: a fresh
# 32-bit prefix with a virtual desktop, on a virtual X display of its own.
#
#   wine-session.sh start DIR   makes DIR/prefix and starts Xvfb; DIR/display names it
#   wine-session.sh stop DIR    ends both and removes DIR
set -euo pipefail

action=${1:?usage: wine-session.sh start|stop DIR}
session=${2:?usage: wine-session.sh start|stop DIR}

export WINEPREFIX="$session/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='

stop() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
  fi
  if [ -f "$session/xvfb.pid" ]; then
    kill "$(cat "$session/xvfb.pid")" 2>/dev/null || true
  fi
  rm -rf "$session"
}

start() {
  stop
  mkdir -p "$session"
  # Xvfb picks a free display and writes its number to the fd we give it.
  exec 3>"$session/display.number"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$session/xvfb.log" 2>&1 </dev/null &
  echo $! >"$session/xvfb.pid"
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$session/display.number" ] && break
    sleep 0.1
  done
  [ -s "$session/display.number" ] || { echo "Xvfb did not start:" >&2; cat "$session/xvfb.log" >&2; exit 1; }
  echo ":$(tr -d '[:space:]' <"$session/display.number")" >"$session/display"
  export DISPLAY
  DISPLAY=$(cat "$session/display")

  wineboot -i >"$session/wineboot.log" 2>&1 </dev/null
  # A virtual desktop draws title bars and spares the seconds Wine waits for
  # a window manager whenever a window is hidden.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 </dev/null
  wineserver -w
  echo "Wine session ready in $session on display $DISPLAY"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: wine-session.sh start|stop DIR" >&2; exit 2 ;;
esac
