#!/usr/bin/env bash
# Installs every Debian package that building, testing, packaging and the demo need.
# Safe to run again: it installs only what is missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libhidapi-dev
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth dpkg-dev
          clang libclang-rt-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
