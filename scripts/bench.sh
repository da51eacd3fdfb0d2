#!/usr/bin/env bash
# Measures the profile rewrite; docs/benchmarks.md holds the figures and how to
# read them. Builds the benchmark and planset in Release into build/bench, then
#  - runs the benchmark (Google Benchmark): the rewrite in memory and on disk,
#    against a plain copy, and its peak memory from 1 MiB to 1 GiB;
#  - times planset against sed -i and crudini --set as whole processes
#    (hyperfine);
#  - checks the figures against the targets.
# The report goes to standard output and to build/bench/results.md, the raw
# figures to build/bench/*.json and build/bench/benchmark.txt. Takes about
# five minutes and 3.5 GB free in $TMPDIR (else /tmp).
#
#   scripts/bench.sh [--quick]     --quick: about a minute, to see that it works
set -euo pipefail
cd "$(dirname "$0")/.."

quick=false
if [ "${1:-}" = --quick ]; then
  quick=true
elif [ $# -gt 0 ]; then
  echo "usage: scripts/bench.sh [--quick]" >&2
  exit 2
fi

scripts/setup.sh
cmake --preset native -B build/bench -DCMAKE_BUILD_TYPE=Release \
  >/dev/null
cmake --build build/bench --target planchoice_bench planset >/dev/null

out=$PWD/build/bench
rm -f "$out/hyperfine-warnings.txt"
planset=$out/bin/planset
scratch=$(mktemp -d "${TMPDIR:-/tmp}/planchoice-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

if $quick; then
  bench_flags=(--benchmark_min_time=0.2 '--benchmark_filter=-/1073741824')
  tool_sizes=(1024 1048576)
  hyperfine_flags=(--warmup 1 --runs 3)
else
  bench_flags=(--benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
    --benchmark_report_aggregates_only=true)
  tool_sizes=(1024 65536 1048576 16777216 67108864)
  hyperfine_flags=(--warmup 3)
fi

# A profile of ordinary lines of about $1 bytes, like the benchmark's own.
make_profile() {
  awk -v size="$1" 'BEGIN {
    printf "[Kelvarin Online]\r\nPhone0=00000000\r\n"
    for (n = 0; written < size - 35; n++) {
      if (n % 25 == 0) line = "[Section " n "]"
      else if (n % 3 == 0) line = "Entry" n "=A longer value, with a comma and " n * 7
      else line = "Key" n "=" n % 1000
      printf "%s\r\n", line
      written += length(line) + 2
    }
  }'
}

# planset against the other tools on a profile of $1 bytes; each tool works on
# its own copy. crudini reads the whole profile into Python and takes
# seconds a megabyte, so it runs on the smaller profiles only.
compare_tools() {
  local size=$1 number tool profile
  profile=$(basename examples/*.cmp)
  number=$("$planset" --list | awk -F '\t' '$1 == "Sorvel 25" { print $2 }')
  make_profile "$size" >"$scratch/original.cmp"
  for tool in planset sed sed-sync crudini; do
    mkdir -p "$scratch/$tool"
    cp "$scratch/original.cmp" "$scratch/$tool/$profile"
  done
  local sed_command="sed -i 's/^Phone0=[0-9]*/Phone0=$number/'"
  local commands=(
    -n planset "'$planset' '$scratch/planset' 'Sorvel 25'"
    -n "sed -i" "$sed_command '$scratch/sed/$profile'"
    -n "sed -i; sync" "sh -c \"$sed_command '$scratch/sed-sync/$profile' &&
      sync '$scratch/sed-sync/$profile' '$scratch/sed-sync'\"")
  if [ "$size" -le 1048576 ]; then
    commands+=(-n "crudini --set"
      "crudini --set '$scratch/crudini/$profile' 'Kelvarin Online' Phone0 $number")
  fi
  hyperfine "${hyperfine_flags[@]}" --shell=none --style none \
    --export-json "$out/tools-$size.json" "${commands[@]}" 2>>"$out/hyperfine-warnings.txt"
  for tool in planset sed sed-sync crudini; do
    if [ "$tool" != crudini ] || [ "$size" -le 1048576 ]; then
      grep -q "^Phone0=$number" "$scratch/$tool/$profile" ||
        { echo "bench: $tool did not set the number" >&2; exit 1; }
    fi
  done
  local name="$((size / 1024)) KiB"
  [ "$size" -lt 1048576 ] || name="$((size / 1048576)) MiB"
  jq -r --arg name "$name" '[.results[] | "\(.median * 1000 * 100 | round / 100) ms"] |
    "| \($name) | " + (. + (if length == 3 then ["not run"] else [] end) | join(" | ")) + " |"' \
    "$out/tools-$size.json"
}

# The benchmark's figures, one row a case: the median of the repetitions, and
# their spread as the coefficient of variation of the time.
figures_table() {
  jq -r '
    def duration: if . < 1e6 then "\(. / 10 | round / 100) µs" else "\(. / 1e4 | round / 100) ms" end;
    "| case | time | CPU time | throughput | spread | peak growth |",
    "|---|---:|---:|---:|---:|---:|",
    (.benchmarks | group_by(.run_name) | sort_by(.[0].family_index, .[0].per_family_instance_index)[] |
      (map(select((.aggregate_name // "median") == "median"))[0]) as $m |
      (map(select(.aggregate_name == "cv"))[0].real_time // null) as $cv |
      "| \($m.run_name | sub("/real_time$"; "") | sub("/1073741824"; " 1 GiB") |
        sub("/67108864"; " 64 MiB") | sub("/1048576"; " 1 MiB") | sub("/1024"; " 1 KiB")) | " +
      "\($m.real_time | duration) | \($m.cpu_time | duration) | " +
      "\($m.bytes_per_second / 1e6 | round) MB/s | " +
      "\(if $cv then "\($cv * 100 | round) %" else "" end) | " +
      "\(if $m.peak_growth then "\($m.peak_growth / 1024) KiB" else "" end) |")
  ' "$out/rewrite.json"
}

# The figures of the benchmark against the targets.
check_targets() {
  jq -r '.benchmarks as $all |
    def figure($name): [$all[] | select(.run_name == $name and
      (.aggregate_name // "median") == "median")][0];
    def rate($name): figure($name).bytes_per_second / 1e9 * 100 | round / 100;
    def ratio($shape): figure("RewriteOnDisk/\($shape)/67108864/real_time").real_time /
      figure("CopyOnDisk/\($shape)/67108864/real_time").real_time * 100 | round / 100;
    def growth($size; $shape): figure("RewriteOnDisk/\($shape)/\($size)/real_time").peak_growth;
    def verdict(ok): if ok then "met" else "**not met**" end;
    (["crlf", "lf", "lone_cr"][] | rate("RewriteInMemory/\(.)/67108864") as $r |
      "| in memory, 64 MiB, \(.) | \($r) GB/s | >= 1 GB/s | \(verdict($r >= 1)) |"),
    (["lines", "one_line"][] | ratio(.) as $q |
      "| on disk, 64 MiB, \(.): rewrite / copy | \($q) | <= 1.5 | \(verdict($q <= 1.5)) |"),
    (["lines", "one_line"][] | growth(1048576; .) as $small | growth(1073741824; .) as $huge |
      "| peak memory growth, \(.): 1 MiB, 1 GiB | \($small / 1024) KiB, " +
      "\(if $huge then "\($huge / 1024) KiB" else "not run" end) | within 64 KiB | " +
      (if $huge then verdict($huge - $small <= 65536) else "not run" end) + " |")
  ' "$out/rewrite.json"
}

{
  echo "## Machine"
  echo
  echo "- CPU: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
  echo "- memory: $(free -m | awk '/^Mem:/ {print $2}') MiB"
  echo "- scratch file system: $(df -T "$scratch" | awk 'NR == 2 {print $2 " on " $1}')"
  echo "- $(uname -sr); $(g++ --version | head -1); $(sed --version | head -1);" \
    "$(crudini --version); hyperfine $(hyperfine --version | cut -d' ' -f2)"
  echo "- load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
  if $quick; then
    echo "- --quick: smaller runs, no 1 GiB profile; the figures show only that it works"
  fi
  echo
  echo "## The rewrite in process"
  echo
  "$out/bench/planchoice_bench" "${bench_flags[@]}" --benchmark_out="$out/rewrite.json" \
    --benchmark_out_format=json >"$out/benchmark.txt" 2>&1
  figures_table
  echo
  echo "## planset against sed -i and crudini --set, whole process, median"
  echo
  echo "| profile | planset | sed -i | sed -i; sync | crudini --set |"
  echo "|---|---:|---:|---:|---:|"
  for size in "${tool_sizes[@]}"; do
    compare_tools "$size"
  done
  echo
  echo "## Targets"
  echo
  echo "| target | figure | wanted | |"
  echo "|---|---:|---|---|"
  check_targets
  echo
  echo "- load average after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee "$out/results.md"
