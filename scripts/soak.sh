#!/usr/bin/env bash
# Builds the program and runs the fault soak without a display.
# Usage: scripts/soak.sh [--cycles N] [--seed S] [--quiet | --verbose]
# (default 1000 cycles with a random seed; the seed is printed, so a failing
# run can be repeated exactly).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target varnex_soak
export QT_QPA_PLATFORM=offscreen
exec build/soak/varnex_soak "$@"
