#!/usr/bin/env bash
# Sets up the machine if needed, then builds and runs every test: the native
# suite, both Windows builds with their tests under Wine, and the native
# suite again under the address and undefined-behaviour sanitizers, with a
# fuzz run. Where 32-bit Windows programs cannot run (no 32-bit support, or
# no wine32), the win32 build's Wine tests are reported as skipped and the
# win64 build runs them. The win64 test kit then runs once more from a folder
# outside the build tree, as it would on Windows.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
source scripts/wine-env.sh
if ! runs_32bit_programs; then
  echo "test: $NO_32BIT_LINE ($NO_32BIT_REASON)"
  if ! wine_runs win64; then
    echo "test: FAILED: no Wine can run a program here, so no Windows test can run." >&2
    echo "test: 32-bit: $NO_32BIT_REASON" >&2
    echo "test: 64-bit: /usr/lib/wine/wine64 --version: $(head -n 1 <<<"$WINE_FAILURE")" >&2
    exit 1
  fi
fi

scripts/check-format.sh
for preset in native win32 win64 asan; do
  echo "== $preset"
  cmake --workflow --preset "$preset"
  case "$preset" in win32 | win64)
    echo "== the $preset test kit"
    cmake --build --preset "$preset" --target test-kit
  esac
  if [ "$preset" = win64 ]; then
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
    scripts/run-test-kit.sh "build/win64/PlanChoice-$version-win64-tests.zip"
  fi
done
