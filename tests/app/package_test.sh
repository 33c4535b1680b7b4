#!/usr/bin/env bash
# Builds the Debian package from a build tree with CPack and checks it: its name, version,
# computed library dependencies, and the files it installs.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build_dir=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
deb="$work/quillet_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(cd "$work" && ls ./*.deb)"

[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's version"
depends=$(dpkg-deb --field "$deb" Depends)
for library in libc6 libicu72 libqt6widgets6 libx11-6; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

expected=(
  ./usr/bin/quillet ./usr/bin/quillet-convert ./usr/bin/quillet-grid
  ./usr/share/applications/quillet.desktop ./usr/share/applications/quillet-grid.desktop
  ./usr/share/icons/hicolor/32x32/apps/quillet.png
  ./usr/share/metainfo/io.github.quillet.Quillet.metainfo.xml
  ./usr/share/man/man1/quillet.1.gz ./usr/share/man/man1/quillet-convert.1.gz
  ./usr/share/man/man1/quillet-grid.1.gz
  ./usr/share/bash-completion/completions/quillet-convert
)
files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
want=$(printf '%s\n' "${expected[@]}" | sort)
[ "$files" = "$want" ] || fail "file list differs:
$(diff <(echo "$want") <(echo "$files"))"
echo "PASS: $(basename "$deb"), Depends: $depends"
