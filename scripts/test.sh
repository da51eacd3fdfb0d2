#!/usr/bin/env bash
# Sets up the machine if needed, then builds and runs every test: the native
# suite, and the Windows build with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/check-format.sh
for preset in native win32; do
  echo "== $preset"
  cmake --workflow --preset "$preset"
done
