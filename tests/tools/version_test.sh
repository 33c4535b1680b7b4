#!/usr/bin/env bash
# Checks that `--version` of each program prints "<program> <version>" on stdout, nothing on
# stderr, and exits 0, without a display.
#   version_test.sh VERSION PROGRAM...
set -uo pipefail
version=$1
shift
failed=0
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
for program in "$@"; do
  name=$(basename "$program")
  out=$(env -u DISPLAY "$program" --version 2>"$errors")
  status=$?
  err=$(cat "$errors")
  if [ "$status" -ne 0 ] || [ "$out" != "$name $version" ] || [ -n "$err" ]; then
    echo "FAIL: $name --version: exit $status, stdout '$out', stderr '$err'" >&2
    failed=1
  fi
done
exit $failed
