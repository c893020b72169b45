#!/usr/bin/env bash
# Runs every test again under AddressSanitizer with UndefinedBehaviorSanitizer,
# and the toolkit-free core's tests under ThreadSanitizer (the Qt libraries of
# the distribution are not built for it). Usage: scripts/sanitize.sh [address|thread]...
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -eq 0 ] && kinds=(address thread)
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Sanitized code runs slower; light optimisation and line tables keep the
# build short and the reports readable.
flags=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
       -DVARNEX_BUILD_BENCH=OFF)
for kind in "${kinds[@]}"; do
  case "$kind" in
    address)
      build="${ASAN_BUILD_DIR:-build-asan}"
      cmake -S . -B "$build" "${flags[@]}" -DVARNEX_SANITIZE=address >/dev/null
      export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
      ;;
    thread)
      build="${TSAN_BUILD_DIR:-build-tsan}"
      cmake -S . -B "$build" "${flags[@]}" -DVARNEX_SANITIZE=thread -DVARNEX_BUILD_GUI=OFF >/dev/null
      export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
      ;;
    *) echo "unknown sanitizer '$kind' (address or thread)" >&2; exit 2 ;;
  esac
  echo "== $kind: building in $build"
  cmake --build "$build" -j"$(nproc)"
  echo "== $kind: testing"
  ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
done
