#!/usr/bin/env bash
# Runs a test kit as a Windows machine would, but under Wine: unpacked into a
# fresh folder outside the build tree, its run-tests.cmd, then its
# msi-lifecycle.cmd, run by Wine's command processor in a Wine session of its
# own.
#   run-test-kit.sh build/win64/PlanChoice-<version>-win64-tests.zip
# Ends as run-tests.cmd ended, or else as msi-lifecycle.cmd ended; with 77
# (skipped) where the kit is 32-bit and 32-bit Windows programs cannot run
# here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
kit=$(realpath "${1:?usage: run-test-kit.sh PlanChoice-<version>-<win32|win64>-tests.zip}")
name=$(basename "$kit" .zip)
case "$name" in
  *-win32-tests) arch=win32 ;;
  *-win64-tests) arch=win64 ;;
  *) echo "run-test-kit: $kit is not a test kit (PlanChoice-<version>-<arch>-tests.zip)" >&2; exit 2 ;;
esac

scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-kit.XXXXXX")
trap '"$here/wine-session.sh" stop "$scratch/session"; rm -rf "$scratch"' EXIT
(cd "$scratch" && cmake -E tar xf "$kit")
"$here/wine-session.sh" start "$scratch/session" "$arch" >/dev/null

started=$SECONDS
status=0
(cd "$scratch/$name" && "$here/wine-run.sh" "$scratch/session" cmd /c run-tests.cmd) || status=$?
echo "run-test-kit: $name ran in $((SECONDS - started)) s under Wine ($arch), exit code $status"
if [ -f "$scratch/$name/msi-lifecycle.cmd" ]; then
  lifecycle=0
  (cd "$scratch/$name" && "$here/wine-run.sh" "$scratch/session" cmd /c msi-lifecycle.cmd) ||
    lifecycle=$?
  echo "run-test-kit: msi-lifecycle.cmd exit code $lifecycle"
  if [ "$status" -eq 0 ]; then
    status=$lifecycle
  fi
fi
# The folder goes with the session: what failed is shown here.
if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
  for log in "$scratch/$name"/logs/*.txt; do
    if grep -q '^\[  FAILED  \]' "$log" || ! grep -q '^\[  PASSED  \]' "$log"; then
      echo "== the end of logs/$(basename "$log")"
      tail -n 60 "$log"
    fi
  done
fi
exit "$status"
