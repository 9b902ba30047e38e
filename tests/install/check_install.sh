#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed tree, then builds the
# Debian package and checks its contents and dependencies.
# Usage: check_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/usr" > /dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/talvoro bin/talvoro-cli libexec/talvoro/talvoro-reader share/applications/talvoro.desktop \
         share/icons/hicolor/scalable/apps/talvoro.svg; do
  [ -e "$tmp/usr/$f" ] || fail "missing $f"
done
for size in 16 24 32 48 64 128 256; do
  png="$tmp/usr/share/icons/hicolor/${size}x${size}/apps/talvoro.png"
  [ -f "$png" ] || fail "missing icon ${size}x${size}"
  file "$png" | grep -q "${size} x ${size}" || fail "icon ${size}x${size} has the wrong size"
done
[ -x "$tmp/usr/bin/talvoro" ] && [ -x "$tmp/usr/bin/talvoro-cli" ] || fail "programs not executable"
desktop-file-validate "$tmp/usr/share/applications/talvoro.desktop" || fail "launcher does not validate"
grep -q '^Categories=.*Office;.*Finance;' "$tmp/usr/share/applications/talvoro.desktop" || fail "categories"
[ "$("$tmp/usr/bin/talvoro-cli" --version)" = "talvoro-cli @PROJECT_VERSION@" ] || fail "installed talvoro-cli --version"

# An installed copy keeps its data in the user's folder, never beside the executable.
out="$(XDG_DATA_HOME="$tmp/data" "$tmp/usr/bin/talvoro-cli" export-txt "$source/samples/liste_exemple.txt" --code T)"
[ "$out" = "$tmp/data/Talvoro/Talvoro CCP/Fichier Txt/Liste_Nominative_T.txt" ] || fail "installed export went to $out"
[ ! -e "$tmp/usr/bin/Fichier Txt" ] || fail "installed copy wrote beside its executable"
# The installed command line finds the installed workbook reader.
"$tmp/usr/bin/talvoro-cli" check "$source/tests/fixtures/liste.xlsx" > "$tmp/check.out" 2>&1 || true # 1: keys in error
grep -q '^Lignes: 5$' "$tmp/check.out" || { cat "$tmp/check.out"; fail "installed workbook import"; }

# The package.
(cd "$build" && cpack -G DEB -B "$tmp/pkg" > "$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail "cpack"; }
deb="$(ls "$tmp"/pkg/talvoro_*.deb)"
dpkg-deb -I "$deb" > "$tmp/info"
grep -q '^ Package: talvoro' "$tmp/info" || fail "package name"
grep -q '^ Version: @PROJECT_VERSION@' "$tmp/info" || fail "package version"
grep -E '^ Depends:.*libqt6widgets6' "$tmp/info" > /dev/null || fail "Qt run-time dependency"
grep -E '^ Depends:.*fonts-liberation2' "$tmp/info" > /dev/null || fail "font dependency"
dpkg-deb -c "$deb" > "$tmp/contents"
for f in ./usr/bin/talvoro ./usr/bin/talvoro-cli ./usr/libexec/talvoro/talvoro-reader ./usr/share/applications/talvoro.desktop; do
  grep -q " $f\$" "$tmp/contents" || fail "package lacks $f"
done
# Unpacked without installing, the command-line program runs.
dpkg-deb -x "$deb" "$tmp/root"
[ "$("$tmp/root/usr/bin/talvoro-cli" --version)" = "talvoro-cli @PROJECT_VERSION@" ] || fail "packaged talvoro-cli --version"
echo "install tree and package OK"
