#!/usr/bin/env bash
# Installs what is missing, builds Talvoro CCP with its tests and runs every test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j2
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j2
