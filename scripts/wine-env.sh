# The project's one Wine environment, sourced by every script that runs a
# Windows program (the test sessions, the example run, the screenshot).
#
#   wine_use ARCH PREFIX   ARCH is win32 or win64: exports the Wine variables
#                          for PREFIX, sets WINE to the loader and WINE_RUN
#                          to the command that runs a program with it
#   runs_32bit_programs    whether this machine runs 32-bit Windows programs:
#                          wine32 is installed and its loader runs; on "no",
#                          NO_32BIT_REASON says why
#   wine_runs ARCH         whether that Wine's loader starts at all; on "no",
#                          WINE_FAILURE holds what it printed
#
# PLANCHOICE_NO_32BIT=1 makes runs_32bit_programs answer "no" on a machine
# that can, to try the other path.

readonly NO_32BIT_LINE="32-bit Windows programs cannot run here; the win64 build runs the same tests"

wine_loader() {
  # Called directly: the `wine` wrapper picks the 32-bit loader whenever
  # wine32 is installed, whatever the prefix.
  case "$1" in
    win32) echo /usr/lib/wine/wine ;;
    win64) echo /usr/lib/wine/wine64 ;;
    *) echo "wine-env: unknown architecture '$1' (win32 or win64)" >&2; return 2 ;;
  esac
}

wine_use() {
  WINE=$(wine_loader "$1") || return
  export WINEARCH=$1 WINEPREFIX=$2 WINELOADER=$WINE
  # No debug chatter; no offer to install Mono or Gecko, which would wait
  # for an answer nobody gives.
  export WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  # Wine maps some system areas at fixed addresses as each process starts.
  # With the address space laid out at random, something now and then
  # already stands there and the start fails ("failed to map the shared
  # user data"; about one start in 3,000 here), whether the program was
  # started by a test or by Wine itself, as msiexec starts its custom action
  # server. Programs started from a Wine program inherit a fixed layout, so
  # every program of a session runs with one where this machine allows it.
  if setarch "$(uname -m)" --addr-no-randomize true 2>/dev/null; then
    WINE_RUN=(setarch "$(uname -m)" --addr-no-randomize "$WINE")
  else
    WINE_RUN=("$WINE")
  fi
}

wine_runs() {
  local loader
  loader=$(wine_loader "$1") || return
  WINE_FAILURE=$("$loader" --version 2>&1) && [[ $WINE_FAILURE == wine-* ]]
}

runs_32bit_programs() {
  if [ "${PLANCHOICE_NO_32BIT:-}" = 1 ]; then
    NO_32BIT_REASON="PLANCHOICE_NO_32BIT=1 is set"
    return 1
  fi
  local loader
  loader=$(wine_loader win32)
  if [ ! -e "$loader" ]; then
    NO_32BIT_REASON="wine32 is not installed; scripts/setup.sh says why"
    return 1
  fi
  # Wine's 32-bit loader is an i386 program; some kernels refuse every one
  # ("Exec format error"), and only running one tells.
  if wine_runs win32; then
    return 0
  fi
  NO_32BIT_REASON="$loader --version: $(head -n 1 <<<"$WINE_FAILURE")"
  return 1
}

# Sets WINDOWS_PRESET to the Windows build that runs here: win32, the
# product, where 32-bit Windows programs run, else its 64-bit twin; says which and
# why. A WINDOWS_PRESET already set (by a calling script) is kept.
pick_windows_preset() {
  if [ -n "${WINDOWS_PRESET:-}" ]; then
    return
  fi
  if runs_32bit_programs; then
    WINDOWS_PRESET=win32
    echo "Using the win32 build (the product): this machine runs 32-bit programs."
  else
    WINDOWS_PRESET=win64
    echo "Using the win64 build: 32-bit Windows programs cannot run here ($NO_32BIT_REASON)."
  fi
  export WINDOWS_PRESET
}

# Configures the Windows preset if it never was, then builds TARGETS in it.
build_windows_targets() {
  local build="build/$WINDOWS_PRESET"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset "$WINDOWS_PRESET" >/dev/null
  fi
  cmake --build "$build" --target "$@" >/dev/null
}
