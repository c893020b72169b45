#!/usr/bin/env bash
# Installs what is missing, builds, and starts Varnex. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target varnex
exec ./build/src/ui/varnex "$@"
