#!/usr/bin/env bash
# Builds the library and the whole test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test; any sanitizer report fails.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALVORO_BUILD_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="$flags -O1" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" > /dev/null
cmake --build build-asan -j2
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
cd build-asan
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j2 -E install_and_package
