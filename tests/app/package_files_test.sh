#!/usr/bin/env bash
# Checks the files the package carries besides the programs: the AppStream metainfo, the
# desktop entries and the man pages, each with its own validator (no warnings allowed).
#   package_files_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build_dir=$2
failed=0
check() {  # check WHAT COMMAND...: the command must succeed and print no warning
  local out
  if ! out=$("${@:2}" 2>&1) || grep -qiE 'warning|error' <<<"$out"; then
    echo "FAIL: $1:" >&2
    echo "$out" >&2
    failed=1
  fi
}
check metainfo appstreamcli validate --no-net "$build_dir/io.github.quillet.Quillet.metainfo.xml"
for entry in "$source_dir"/app/resources/*.desktop; do
  check "$(basename "$entry")" desktop-file-validate "$entry"
done
for page in "$source_dir"/docs/man/*.1; do
  check "$(basename "$page")" sh -c 'LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$1" >/dev/null' _ "$page"
done
exit $failed
