#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and checks the desktop layout: the three
# programs, the two menu entries and the icon they name.
#   install_test.sh BUILD_DIR
set -euo pipefail

build_dir=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build_dir" --prefix "$prefix" >/dev/null

for program in quillet quillet-convert quillet-grid; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done

# Each entry starts an installed program and names an installed icon.
for name in quillet quillet-grid; do
  entry="$prefix/share/applications/$name.desktop"
  [ -f "$entry" ] || fail "the desktop entry $name.desktop is not installed"
  exec_line=$(sed -n 's/^Exec=//p' "$entry")
  [ -x "$prefix/bin/${exec_line%% *}" ] || fail "Exec=$exec_line names no installed program"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  icon_file="$prefix/share/icons/hicolor/32x32/apps/$icon.png"
  [ -f "$icon_file" ] || fail "Icon=$icon names no installed 32x32 icon"
  file "$icon_file" | grep -q 'PNG image data, 32 x 32' || fail "the icon is not a 32x32 PNG"
done
echo "PASS: installed layout under $prefix"
