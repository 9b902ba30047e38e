#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS seconds (default 30) on a copy of its seed corpus. A crash, a
# hang, a leak or a sanitizer report fails; the input that caused it is kept in
# build-fuzz/findings/TARGET/ so that it can join tests/fuzz/corpus/TARGET/.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-30}"
shift || true
scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALVORO_BUILD_TESTS=OFF -DTALVORO_BUILD_BENCH=OFF -DTALVORO_BUILD_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" > /dev/null
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(ls tests/fuzz/corpus))
cmake --build build-fuzz -j2 --target $(printf 'fuzz_%s ' "${targets[@]}")
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
status=0
for t in "${targets[@]}"; do
  work="build-fuzz/corpus/$t"
  findings="build-fuzz/findings/$t"
  rm -rf "$work" && mkdir -p "$work" "$findings"
  cp tests/fuzz/corpus/"$t"/* "$work"/ 2>/dev/null || true
  echo "== fuzz_$t for ${seconds}s"
  if ! build-fuzz/tests/fuzz/fuzz_"$t" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=1048576 -artifact_prefix="$findings/" -print_final_stats=1 > "build-fuzz/fuzz_$t.log" 2>&1; then
    tail -n 40 "build-fuzz/fuzz_$t.log"
    echo "fuzz_$t FAILED; input kept in $findings" >&2
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "build-fuzz/fuzz_$t.log" | tail -n 2
  fi
done
exit $status
