#!/usr/bin/env bash
# What setup.sh asks apt for, says and ends with, one row each, run against a
# fake apt and a fake 32-bit probe: nothing is installed.
#   setup_decisions_test.sh SETUP_SH
set -euo pipefail
setup=$(realpath "${1:?usage: setup_decisions_test.sh SETUP_SH}")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-setup.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# apt-get, dpkg and dpkg-query in one, told by the row what is missing, how
# many updates fail and which packages cannot be installed; it logs the calls.
cat >"$scratch/fake" <<'FAKE'
#!/usr/bin/env bash
case "$(basename "$0") $1" in
  "dpkg-query -W") [[ " $FAKE_MISSING " == *" ${*: -1} "* ]] || echo "install ok installed" ;;
  "dpkg --add-architecture") echo "add-architecture $2" >>"$FAKE_LOG" ;;
  "apt-get update")
    echo update >>"$FAKE_LOG"
    [ "$(grep -c '^update' "$FAKE_LOG")" -gt "$FAKE_UPDATE_FAILS" ] ||
      { echo "E: Failed to fetch binary-i386/Packages.xz  Mirror sync in progress?" >&2; exit 100; } ;;
  "apt-get install")
    packages=$(printf '%s\n' "$@" | grep -v '^-\|^install$' | paste -sd ' ')
    echo "install $packages" >>"$FAKE_LOG"
    for broken in $FAKE_BROKEN; do
      [[ " $packages " != *" $broken "* ]] || { echo "E: $broken has held broken packages." >&2; exit 100; }
    done ;;
esac
FAKE
printf '#!/bin/sh\necho "Exec format error"; exit 1\n' >"$scratch/no-32bit"
chmod +x "$scratch/fake" "$scratch/no-32bit"
for tool in apt-get dpkg dpkg-query; do ln -s fake "$scratch/$tool"; done

failures=0
# 32-bit | missing | updates failing | cannot be installed | exit | apt's calls | a line it says
while IFS='|' read -r runs32 missing updates_failing broken code calls said; do
  : >"$scratch/log"
  status=0
  output=$(FAKE_LOG="$scratch/log" FAKE_MISSING=$missing FAKE_UPDATE_FAILS=$updates_failing \
    FAKE_BROKEN=$broken PLANCHOICE_APT_GET="$scratch/apt-get" PLANCHOICE_DPKG="$scratch/dpkg" \
    PLANCHOICE_DPKG_QUERY="$scratch/dpkg-query" PLANCHOICE_32BIT_PROBE=$runs32 "$setup" 2>&1) ||
    status=$?
  logged=$(paste -sd ';' "$scratch/log" | sed 's/;/; /g')
  if [ "$status" != "$code" ] || [ "$logged" != "$calls" ] || [[ $output != *"$said"* ]]; then
    echo "FAILED: {$runs32, missing: $missing, $updates_failing updates failing, broken: $broken}"
    echo "  ended with $status (expected $code); asked apt: \"$logged\" (expected \"$calls\")"
    echo "  expected to say \"$said\" in:" && sed 's/^/    /' <<<"$output"
    failures=$((failures + 1))
  fi
done <<ROWS
$scratch/no-32bit|wine32:i386 cmake|0||0|update; install cmake|setup: not asking for wine32: this machine cannot run 32-bit programs (Exec format error), so the win64 build runs the Windows tests
true|wine32:i386|1||0|add-architecture i386; update; update; install wine32:i386|apt-get update failed (Failed to fetch binary-i386/Packages.xz  Mirror sync in progress?); trying once more
true|wine32:i386 cmake|2|wine32:i386|0|add-architecture i386; update; update; install cmake wine32:i386; install wine32:i386; install cmake|setup: left out wine32:i386, which could not be installed (wine32:i386 has held broken packages): the win64 build runs the Windows tests
true|hyperfine|0|hyperfine|0|update; install hyperfine|setup: left out hyperfine, which could not be installed (hyperfine has held broken packages): scripts/bench.sh cannot run
true|cmake jq|0|cmake|1|update; install cmake jq; install jq; install cmake|setup: FAILED: cmake could not be installed, and the build and the 64-bit tests need it (apt-get: cmake has held broken packages)
true||0||0||setup: everything is installed
ROWS
[ "$failures" -eq 0 ] && echo "setup_decisions: every row as expected"
