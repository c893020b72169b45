#!/usr/bin/env bash
# Builds and runs every benchmark, one after another, offscreen, and prints
# the table of figures with their ratios and targets. The raw results stay in
# build/bench/results.csv. Usage: bench/run.sh [--quick] (--quick: fewer
# repetitions and no remote read, for a look in a minute).
set -euo pipefail
cd "$(dirname "$0")/.."
quick=false
[ "${1:-}" = "--quick" ] && quick=true
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEX_BUILD_BENCH=ON >/dev/null
targets=(bench_query_walk bench_transfer bench_deframer bench_modem bench_lang bench_startup bench_settings_file)
cmake --build build --target "${targets[@]}" >/dev/null
export QT_QPA_PLATFORM=offscreen
results=build/bench/results.csv
: >"$results"
run() {
  echo "running ${1##*/}" >&2
  "$@" --benchmark_format=csv 2>/dev/null >>"$results"
}
if $quick; then
  run build/bench/ui/bench_transfer --benchmark_filter='Full|Paced'
else
  run build/bench/ui/bench_transfer --benchmark_repetitions=1
fi
run build/bench/lang/bench_lang --benchmark_filter=ApplyLanguage
run build/bench/bench_deframer
run build/bench/params/bench_settings_file
echo "running bench_startup" >&2
for _ in 1 2 3 4 5; do build/bench/ui/bench_startup 2>/dev/null >>"$results"; done
echo
awk -f bench/summary.awk "$results"
echo
echo "Raw results: $results. The protocol-level walks: build/bench/bench_query_walk, build/bench/modem/bench_modem."
