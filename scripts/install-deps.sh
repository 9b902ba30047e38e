#!/usr/bin/env bash
# Installs the missing Debian packages of the named lists and does nothing when none is
# missing. Lists: run (scripts/packages-run.txt), build (scripts/packages-build.txt),
# test (tests/packages.txt: tests, benchmarks, fuzzing, format check). Without arguments: all.
# Runs apt-get directly as root, through sudo otherwise; with neither, prints the command for
# an administrator and fails.
# Usage: scripts/install-deps.sh [run] [build] [test]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
[ $# -gt 0 ] || set -- run build test
wanted=()
for list in "$@"; do
  case "$list" in
    run | build) file="$here/packages-$list.txt" ;;
    test) file="$here/../tests/packages.txt" ;;
    *) echo "install-deps.sh: unknown list '$list' (run, build or test)" >&2; exit 2 ;;
  esac
  mapfile -t -O "${#wanted[@]}" wanted < <(grep -v -E '^\s*(#|$)' "$file")
done
missing=()
for p in "${wanted[@]}"; do
  status="$(dpkg-query -W -f='${Status}' "$p" 2> /dev/null || true)"
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# sudo resets the environment, so the setting goes through env on the command itself.
apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
install=(install -y -q --no-install-recommends "${missing[@]}")
if [ "$(id -u)" -eq 0 ]; then
  as=()
elif command -v sudo > /dev/null && { sudo -n true 2> /dev/null || { [ -t 0 ] && sudo -v; }; }; then
  as=(sudo)
else
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Installing them needs root, and this user is neither root nor allowed to use sudo." >&2
  echo "Ask an administrator to run, as root:" >&2
  echo "  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get ${install[*]}" >&2
  echo "then run this command again." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
"${as[@]}" "${apt[@]}" update -q
"${as[@]}" "${apt[@]}" "${install[@]}"
