#!/usr/bin/env bash
# Where 32-bit programs cannot run, a 32-bit session must start nothing and
# report every program run in it as skipped (exit 77), never as passed.
#   skip_test.sh SCRIPTS_DIR
set -euo pipefail
scripts=${1:?usage: skip_test.sh SCRIPTS_DIR}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-skip.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
session="$scratch/session"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

PLANCHOICE_NO_32BIT=1 "$scripts/wine-session.sh" start "$session" win32 >/dev/null
[ ! -e "$session/prefix" ] || fail "a Wine prefix was made where 32-bit programs cannot run"

status=0
output=$("$scripts/wine-run.sh" "$session" any.exe 2>&1) || status=$?
[ "$status" -eq 77 ] || fail "wine-run.sh ended with $status, not 77 (skipped): $output"
expected="32-bit Windows programs cannot run here; the win64 build runs the same tests"
[[ $output == "$expected"* ]] || fail "wine-run.sh said \"$output\", not \"$expected\""

status=0
"$scripts/wine-run.sh" "$scratch/no-session" any.exe >/dev/null 2>&1 || status=$?
[ "$status" -ne 0 ] && [ "$status" -ne 77 ] || fail "a run without a session ended with $status"
echo "skip_test: a skipped 32-bit run reports 77 and why"
