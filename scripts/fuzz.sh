#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a while, starting from its seed
# corpus. Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# Default 600 s per target; CI runs a few seconds. The corpus grown by a run
# stays in the build directory; findings land in $BUILD/findings and stop the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
shift || true
build="${FUZZ_BUILD_DIR:-build-fuzz}"
all=(fuzz_slots fuzz_reply fuzz_status_stream fuzz_log_stream fuzz_settings_file
     fuzz_language_file fuzz_modem_line fuzz_batch_arguments)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVARNEX_BUILD_FUZZ=ON -DVARNEX_SANITIZE=address -DVARNEX_BUILD_GUI=OFF \
  -DVARNEX_BUILD_TESTS=OFF -DVARNEX_BUILD_BENCH=OFF -DVARNEX_BUILD_SOAK=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}"

mkdir -p "$build/findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
summary=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  log="$build/findings/$t.log"
  echo "== $t: ${seconds} s"
  if ! "$build/tests/fuzz/$t" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/findings/$t-" "$corpus" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "FINDING in $t: see $log and $build/findings/$t-*" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  units=$(ls "$corpus" | wc -l)
  summary+=("$(printf '%-22s %8s s %14s runs %6s corpus files' "$t" "$seconds" "$runs" "$units")")
done
echo
printf '%s\n' "${summary[@]}"
