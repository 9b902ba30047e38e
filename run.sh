#!/usr/bin/env bash
# Installs what is missing to build and run, builds Talvoro CCP (Release, without tests and
# benchmarks) and starts it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps.sh run build
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DTALVORO_BUILD_TESTS=OFF -DTALVORO_BUILD_BENCH=OFF > /dev/null
cmake --build build-release -j2
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display available: showing the command-line front end on samples/liste_exemple.txt instead."
  exec scripts/demo.sh build-release/src/talvoro-cli
fi
exec build-release/src/talvoro
