#!/usr/bin/env bash
# Builds the benchmark in Release and runs it; the figures in docs/benchmarks.md
# come from this. Takes about ten minutes and 2.2 GB of free space in the
# scratch directory ($TMPDIR, else /tmp). The report goes to standard output
# and to build/bench/results.md.
#
#   scripts/bench.sh [--quick] [typical|throughput|memory|tools]...
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset native -B build/bench -DCMAKE_BUILD_TYPE=Release -DPLANCHOICE_BUILD_TESTS=OFF \
  >/dev/null
cmake --build build/bench --target planchoice_bench planset >/dev/null

scratch=${TMPDIR:-/tmp}
{
  echo "## Machine"
  echo
  echo "- CPU: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
  echo "- memory: $(free -m | awk '/^Mem:/ {print $2}') MiB"
  echo "- scratch file system: $(df -T "$scratch" | awk 'NR == 2 {print $2 " on " $1}')" \
    "(mounted $(findmnt -n -o OPTIONS --target "$scratch"))"
  echo "- $(uname -sr); $(g++ --version | head -1); $(sed --version | head -1);" \
    "$(crudini --version)"
  echo "- load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo
  echo "## Figures"
  echo
  build/bench/bench/planchoice_bench "$@"
} | tee build/bench/results.md
