#!/usr/bin/env bash
# Lists the C++ files under src, tests and bench that clang-format 14 with the repository's
# .clang-format would change, and fails when there is any. Other versions format differently,
# so only 14 is used (CLANG_FORMAT names another binary of that version).
# Usage: scripts/check-format.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
tool="${CLANG_FORMAT:-}"
if [ -z "$tool" ]; then
  tool=clang-format-14
  command -v "$tool" > /dev/null || tool=clang-format
fi
command -v "$tool" > /dev/null || { echo "check-format.sh: $tool not found (Debian package clang-format)" >&2; exit 2; }
version="$("$tool" --version)"
[[ "$version" =~ version\ 14\. ]] || { echo "check-format.sh: needs clang-format 14, found: $version" >&2; exit 2; }

mapfile -t files < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort)
unformatted=()
for f in "${files[@]}"; do
  "$tool" --style=file --dry-run -Werror "$f" > /dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  printf '%s\n' "${unformatted[@]}"
  echo "${#unformatted[@]} of ${#files[@]} files are not formatted; fix with: $tool -i FILE..." >&2
  exit 1
fi
echo "All ${#files[@]} files formatted."
