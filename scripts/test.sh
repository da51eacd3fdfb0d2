#!/usr/bin/env bash
# Sets up the machine if needed, then builds and runs every test: the native
# suite, the Windows build with its tests under Wine, and the native suite
# again under the address and undefined-behaviour sanitizers, with a fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/check-format.sh
for preset in native win32 asan; do
  echo "== $preset"
  cmake --workflow --preset "$preset"
done
