#!/usr/bin/env bash
# Runs a command on an X server of its own with openbox as the window manager, and exits
# with the command's status. Skips (77) without Xvfb or openbox; fails instead under CI.
#   with_window_manager.sh COMMAND...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../scripts/x-server"
source "$here/e2e_support.sh"

wm_pid=
stop() {
  if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; fi
  stop_private_x
}
trap stop EXIT

for tool in Xvfb xauth xdpyinfo xprop openbox; do
  command -v "$tool" >/dev/null || skip_or_fail "$tool is missing"
done
start_private_x || skip_or_fail "no X server could be started"
openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
manager_runs() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 100 manager_runs || fail "openbox did not start"
status=0
"$@" || status=$?
exit $status
