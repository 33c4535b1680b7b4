#!/usr/bin/env bash
# Runs quillet-convert against hostile surroundings: device outputs, a folder as input, a
# missing output folder, too little memory, random binary input and a 100 MB line.
#
#   cli_reliability_test.sh CONVERT [PLAIN_CONVERT]
#
# CONVERT is the binary of the build tree under test. The memory-limit case cannot run on a
# sanitizer build (it reserves terabytes of address space); it then uses PLAIN_CONVERT, a
# binary without sanitizers (the release tree's), and is skipped with a message when there is
# none (under CI=true it fails then). Exits 1 when any case fails.
set -uo pipefail
convert=${1:?usage: cli_reliability_test.sh CONVERT [PLAIN_CONVERT]}
plain_convert=${2:-}
work=$(mktemp -d /tmp/quillet-cli-robust-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# run BINARY ARGS...: sets $status, $out and $err.
run() {
  local binary=$1
  shift
  "$binary" "$@" >"$work/stdout" 2>"$work/stderr"
  status=$?
  out=$(cat "$work/stdout")
  err=$(cat "$work/stderr")
}

# expect_failure CASE MESSAGE: the last run ended with exit 1 and exactly MESSAGE on stderr.
expect_failure() {
  if [ "$status" -eq 1 ] && [ "$err" = "$2" ]; then pass "$1"
  else fail "$1: exit $status, stderr '$err' (wanted exit 1, '$2')"; fi
}

uses_sanitizers() { grep -qa __asan_init "$1"; }

printf 'Hello, World! 42\r\nhello again\r\n' >"$work/small.txt"

case_dev_null() {
  run "$convert" "$work/small.txt" /dev/null
  if [ "$status" -eq 0 ] && [ -c /dev/null ] && [ -z "$err" ]; then pass "output /dev/null"
  else fail "output /dev/null: exit $status, stderr '$err', char device: $([ -c /dev/null ] && echo yes || echo no)"; fi
}

case_dev_full() {
  run "$convert" "$work/small.txt" /dev/full
  expect_failure "output /dev/full" "Disk full."
  [ -c /dev/full ] || fail "/dev/full is no longer a character device"
}

case_folder_input() {
  mkdir -p "$work/folder"
  run "$convert" "$work/folder" "$work/out-folder.txt"
  expect_failure "folder as input" "File access denied."
  [ ! -e "$work/out-folder.txt" ] || fail "folder as input: an output file was made"
}

case_missing_output_folder() {
  run "$convert" "$work/small.txt" "$work/no-such-folder/out.txt"
  expect_failure "output in a missing folder" "Invalid filename."
  [ ! -e "$work/no-such-folder" ] || fail "output in a missing folder: the folder was made"
}

# Many distinct words need far more memory for the table than the file's size.
case_memory_limit() {
  local binary=$convert
  if uses_sanitizers "$binary"; then
    if [ -n "$plain_convert" ] && [ -x "$plain_convert" ] && ! uses_sanitizers "$plain_convert"; then
      binary=$plain_convert
    else
      local why="memory limit (sanitizer build, and no plain binary at '${plain_convert:-none}'; build the release tree to run it)"
      if [ "${CI:-}" = true ]; then fail "$why"; else echo "skip: $why"; fi
      return
    fi
  fi
  # The limit leaves room for a small run, so the failure below comes from the big input.
  ( ulimit -v 150000 && exec "$binary" "$work/small.txt" "$work/small-out.txt" ) >/dev/null 2>&1 ||
    fail "memory limit: a small input does not convert under the limit"
  seq -f 'w%.0f' 1 2000000 | paste -d ' ' - - - - >"$work/many.txt"
  printf 'old output\r\n' >"$work/limited.txt"
  ( ulimit -v 150000 && exec "$binary" "$work/many.txt" "$work/limited.txt" ) >"$work/stdout" 2>"$work/stderr"
  status=$?
  err=$(cat "$work/stderr")
  expect_failure "memory limit (ulimit -v 150000, $binary)" "Out of memory."
  [ "$(cat "$work/limited.txt")" = "$(printf 'old output\r')" ] || fail "memory limit: the old output was changed"
  [ "$(ls -A "$work" | grep -c quillet-)" -eq 0 ] || fail "memory limit: a temporary file was left"
}

case_random_binary() {
  head -c 4000000 /dev/urandom >"$work/random.bin"
  run "$convert" "$work/random.bin" "$work/random.txt"
  if [ "$status" -eq 0 ] && [ -s "$work/random.txt" ]; then pass "random binary input (4 MB)"
  else fail "random binary input: exit $status, stderr '$err'"; fi
}

# One line of 100 MB: a 50 MB word, 50 MB of digits (filtered away) and the word "ends".
case_huge_line() {
  { head -c 50000000 /dev/zero | tr '\0' 'q'; printf ' '; head -c 50000000 /dev/zero | tr '\0' '7'
    printf ' ends'; } >"$work/line.txt"
  run "$convert" --default-filter "$work/line.txt" "$work/line-out.txt"
  local size
  size=$(stat -c %s "$work/line-out.txt" 2>/dev/null || echo 0)
  if [ "$status" -eq 0 ] && [ "$size" -eq $((4 + 2 + 50000000 + 2)) ]; then pass "a single 100 MB line"
  else fail "a single 100 MB line: exit $status, output $size bytes, stderr '$err'"; fi
  rm -f "$work/line.txt" "$work/line-out.txt"
}

case_dev_null
case_dev_full
case_folder_input
case_missing_output_folder
case_memory_limit
case_random_binary
case_huge_line
[ "$failures" -eq 0 ] || { echo "$failures case(s) failed" >&2; exit 1; }
echo "all cases passed"
