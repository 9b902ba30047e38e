#!/usr/bin/env bash
# Installs what is missing, builds Talvoro CCP with its tests and benchmarks and runs every
# test. TALVORO_WERROR=ON in the environment turns compiler warnings into errors.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps.sh run build test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTALVORO_BUILD_TESTS=ON -DTALVORO_BUILD_BENCH=ON \
      -DTALVORO_WERROR="${TALVORO_WERROR:-OFF}" > /dev/null
cmake --build build -j2
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j2
