#pragma once
// What a top-level window needs to tell or ask the X11 window manager directly, where Qt
// has no call for it. Each function does nothing (or gives nothing) when the application
// does not run on X11 (platform "xcb").

#include <QMargins>
#include <QWidget>

using Display = struct _XDisplay;

namespace quillet {

// The X display of the running Qt application, or null when it does not run on X11.
Display* ApplicationX11Display();

// Makes `window` a tool window for the window manager before it is first shown: its
// _NET_WM_WINDOW_TYPE becomes TOOLBAR, then UTILITY (a manager takes the first type it
// knows). Qt's Qt::Tool gives only UTILITY, for which some managers (openbox) still draw
// minimise and maximise boxes; with TOOLBAR the frame has a close box only. Creates the
// native window if it does not exist yet.
void SetToolWindowType(QWidget& window);

// The frame the window manager puts around `window` (left, top, right, bottom), asked for
// while the window is not mapped yet with _NET_REQUEST_FRAME_EXTENTS and read from
// _NET_FRAME_EXTENTS; the one already set when there is one. Waits up to `timeout_ms` for
// the answer. Gives zero margins when no window manager supports the request or none
// answers in time.
QMargins RequestFrameExtents(QWidget& window, int timeout_ms = 500);

}  // namespace quillet
