#!/usr/bin/env bash
# Runs scripts/install-deps.sh against stand-ins for id, sudo, dpkg-query and apt-get: as root,
# as a user with sudo, as a user without sudo or refused by it, with nothing missing, and with
# the run and build lists only. No real package is looked up or installed.
# Usage: test_install_deps.sh SOURCE_DIR
set -euo pipefail
script="$1/scripts/install-deps.sh"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A folder of the few real tools the script needs; the stand-ins are added per case.
tools="$tmp/tools"
mkdir -p "$tools"
for t in dirname grep env cat; do ln -s "$(command -v "$t")" "$tools/$t"; done
cat > "$tools/dpkg-query" <<'EOF'
#!/bin/bash
# Installed packages are the lines of $FAKE_INSTALLED.
p="${!#}"
grep -qx -- "$p" "$FAKE_INSTALLED" && printf 'install ok installed' && exit 0
exit 1
EOF
cat > "$tools/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-} user=${FAKE_USER:-} $*" >> "$FAKE_LOG"
EOF
cat > "$tools/id" <<'EOF'
#!/bin/bash
echo "$FAKE_UID"
EOF
# sudo: "yes" runs the command as root with a reset environment, "no" refuses.
cat > "$tmp/sudo" <<'EOF'
#!/bin/bash
[ "$FAKE_SUDO" = yes ] || { echo "sudo: a password is required" >&2; exit 1; }
[ "$1" = -n ] && shift
[ "$1" = true ] && exit 0
exec /usr/bin/env -i PATH="$PATH" FAKE_LOG="$FAKE_LOG" FAKE_USER=root "$@"
EOF
chmod +x "$tools"/* "$tmp/sudo"

all=$(grep -h -v -E '^\s*(#|$)' "$1/scripts/packages-run.txt" "$1/scripts/packages-build.txt" \
  "$1/tests/packages.txt")
runbuild=$(grep -h -v -E '^\s*(#|$)' "$1/scripts/packages-run.txt" "$1/scripts/packages-build.txt")

# run_case NAME UID SUDO(yes|no|none) INSTALLED LISTS...: runs the script, keeps its status,
# output and apt-get log in $tmp/NAME.*
run_case() {
  local name="$1" uid="$2" sudo="$3" installed="$4"
  shift 4
  local bin="$tmp/$name.bin"
  cp -r "$tools" "$bin"
  [ "$sudo" = none ] || cp "$tmp/sudo" "$bin/sudo"
  printf '%s\n' "$installed" > "$tmp/$name.installed"
  : > "$tmp/$name.log"
  local status=0
  PATH="$bin" FAKE_UID="$uid" FAKE_SUDO="$sudo" FAKE_INSTALLED="$tmp/$name.installed" \
    FAKE_LOG="$tmp/$name.log" FAKE_USER=self DEBIAN_FRONTEND='' \
    "$BASH" "$script" "$@" > "$tmp/$name.out" 2>&1 < /dev/null || status=$?
  echo "$status" > "$tmp/$name.status"
}
expect_status() { [ "$(cat "$tmp/$1.status")" = "$2" ] || { cat "$tmp/$1.out"; fail "$1: status $(cat "$tmp/$1.status"), wanted $2"; }; }
expect_log() { grep -q -- "$2" "$tmp/$1.log" || { cat "$tmp/$1.log"; fail "$1: apt-get log lacks '$2'"; }; }
expect_no_apt() { [ ! -s "$tmp/$1.log" ] || { cat "$tmp/$1.log"; fail "$1: apt-get was run"; }; }

# Everything present: apt-get is not run, even without root.
run_case present 1000 none "$all"
expect_status present 0
expect_no_apt present

# The run and build lists only: a missing test package is not asked for.
run_case runbuild 1000 none "$runbuild" run build
expect_status runbuild 0
expect_no_apt runbuild

# Root: apt-get directly, non-interactive, only the missing packages.
run_case root 0 none "$(grep -v -x -e cmake -e clang-format <<< "$all")"
expect_status root 0
expect_log root '^apt-get DEBIAN_FRONTEND=noninteractive user=self update'
expect_log root '^apt-get DEBIAN_FRONTEND=noninteractive user=self install -y -q --no-install-recommends cmake clang-format$'

# A user with sudo: apt-get as root, still non-interactive although sudo resets the environment.
run_case sudoer 1000 yes "$(grep -v -x cmake <<< "$all")"
expect_status sudoer 0
expect_log sudoer '^apt-get DEBIAN_FRONTEND=noninteractive user=root update'
expect_log sudoer '^apt-get DEBIAN_FRONTEND=noninteractive user=root install .* cmake$'

# Neither root nor sudo, or sudo refusing: the exact command for an administrator, and failure.
for c in nosudo refused; do
  if [ $c = nosudo ]; then run_case $c 1000 none "$(grep -v -x cmake <<< "$all")"
  else run_case $c 1000 no "$(grep -v -x cmake <<< "$all")"; fi
  expect_status $c 1
  expect_no_apt $c
  grep -q 'DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends cmake$' \
    "$tmp/$c.out" || { cat "$tmp/$c.out"; fail "$c: the command to run is not given"; }
done

# An unknown list is a usage error.
run_case unknown 0 none "$all" everything
expect_status unknown 2
echo "install-deps.sh OK"
