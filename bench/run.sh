#!/usr/bin/env bash
# Builds and runs every benchmark, one after another, offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEX_BUILD_BENCH=ON >/dev/null
targets=(bench_query_walk bench_transfer bench_deframer bench_modem bench_lang bench_startup)
cmake --build build --target "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
for b in build/bench/bench_query_walk build/bench/ui/bench_transfer build/bench/bench_deframer \
         build/bench/lang/bench_lang build/bench/modem/bench_modem; do
  echo "== ${b##*/}"
  "$b" --benchmark_counters_tabular=true 2>/dev/null | sed -n '/^---/,$p'
done
echo "== bench_startup"
build/bench/ui/bench_startup 2>/dev/null
