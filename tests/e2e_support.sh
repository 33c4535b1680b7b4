# Shared by the end-to-end scripts that drive a real window on an X display. Source it after
# `set -euo pipefail`; it defines `skip`, `fail`, `wait_for`, `skip_or_fail REASON` and
# `require_display TOOL...`.

skip=77  # ctest reports this exit status as skipped

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to $1 tenths of a second for the command in the remaining arguments to succeed.
wait_for() {
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}

# Skips the test (exit `skip`) for the reason given; under CI (CI=true), where nothing may
# skip, fails instead.
skip_or_fail() {
  [ "${CI:-}" = true ] && fail "$* (CI=true: a test that cannot run fails)"
  echo "SKIP: $*" >&2
  exit $skip
}

# Skips (or fails, see skip_or_fail) unless an X display is reachable and every named tool
# is installed.
require_display() {
  if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    skip_or_fail "no reachable X display"
  fi
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip_or_fail "$tool is missing"
  done
}
