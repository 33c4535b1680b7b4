#!/usr/bin/env bash
# The main window under a window manager (run through with_window_manager.sh): a frame with
# a close box only, and the frame's corner at 231, 141 scaled with the screen's resolution
# (at 144 dpi 347, 212, rounded as the window's size is).
#   window_frame_test.sh QUILLET_BINARY
set -euo pipefail
binary=$1
source "$(dirname "$0")/../e2e_support.sh"
require_display xdotool xprop xwininfo

app_pid=
cleanup() { if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi; }
trap cleanup EXIT

find_window() { window=$(xdotool search --onlyvisible --name "Quillet V1.2" 2>/dev/null | head -n1) && [ -n "$window" ]; }
has_frame() { xprop -id "$window" _NET_FRAME_EXTENTS | grep -q '='; }

for case in "96 231 141" "144 347 212"; do
  read -r dpi left top <<<"$case"
  QT_ENABLE_HIGHDPI_SCALING=0 QT_FONT_DPI=$dpi LC_ALL=C.UTF-8 "$binary" &
  app_pid=$!
  wait_for 150 find_window || fail "the window did not appear ($dpi dpi)"
  wait_for 50 has_frame || fail "no frame ($dpi dpi)"
  actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
  [[ $actions == *_NET_WM_ACTION_CLOSE* ]] || fail "no close box: $actions"
  [[ $actions != *MINIMIZE* && $actions != *MAXIMIZE* ]] || fail "minimise or maximise: $actions"
  read -r frame_left _ frame_top _ < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  x=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left Y: *//p')
  [ "$((x - frame_left)),$((y - frame_top))" = "$left,$top" ] ||
    fail "frame at $((x - frame_left)),$((y - frame_top)), wanted $left,$top ($dpi dpi)"
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=
done
echo "PASS"
