#!/usr/bin/env bash
# Runs clang-tidy (the repository's .clang-tidy) on the program's sources under src/, in
# parallel, with the compile database of a configured build folder. Fails on any finding.
# Usage: scripts/tidy.sh [BUILD_DIR] [FILE...]   (default build folder: build; default: every
#        .cpp under src/)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build="${1:-build}"
[ $# -gt 0 ] && shift
tool=clang-tidy-14
command -v "$tool" > /dev/null || tool=clang-tidy
command -v "$tool" > /dev/null || { echo "tidy.sh: clang-tidy not found (Debian package clang-tidy)" >&2; exit 2; }
[ -f "$build/compile_commands.json" ] || {
  echo "tidy.sh: $build/compile_commands.json missing; configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON" >&2
  exit 2
}
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(find src -type f -name '*.cpp' | LC_ALL=C sort)
fi
# Generated sources (Qt's moc files, resources) must exist before the sources are read.
cmake --build "$build" --target talvoro_core_autogen talvoro_readers_autogen \
  talvoro_gui_autogen talvoro_cli_commands_autogen talvoro_autogen talvoro-cli_autogen \
  talvoro-reader_autogen > /dev/null
jobs="$(nproc)"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
# g++ warning options clang does not know are not findings.
printf '%s\0' "${files[@]}" |
  xargs -0 -n 1 -P "$jobs" "$tool" -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option \
    > "$log" 2>&1 || {
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$log" >&2
  echo "tidy.sh: clang-tidy found problems (see above)" >&2
  exit 1
}
echo "clang-tidy: ${#files[@]} files clean."
