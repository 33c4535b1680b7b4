#include "toolkit/x11_window.h"

#include <QGuiApplication>
#include <chrono>
#include <optional>
#include <thread>

// Xlib last: its macros (None, Bool, Status) clash with names in Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quillet {
namespace {

Atom AtomNamed(Display* display, const char* name) { return XInternAtom(display, name, False); }

// The four CARDINALs of _NET_FRAME_EXTENTS on `window`, when it has them.
std::optional<QMargins> FrameExtentsOf(Display* display, Window window) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, AtomNamed(display, "_NET_FRAME_EXTENTS"),
                                        0, 4, False, XA_CARDINAL, &type, &format, &count, &after,
                                        &data);
  std::optional<QMargins> extents;
  if (status == Success && type == XA_CARDINAL && format == 32 && count == 4) {
    const auto* v = reinterpret_cast<const long*>(data);  // format 32 comes as longs
    extents = QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                       static_cast<int>(v[3]));
  }
  if (data != nullptr) XFree(data);
  return extents;
}

// Whether the window manager lists `name` in the root window's _NET_SUPPORTED.
bool ManagerSupports(Display* display, const char* name) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display),
                                        AtomNamed(display, "_NET_SUPPORTED"), 0, 4096, False,
                                        XA_ATOM, &type, &format, &count, &after, &data);
  bool found = false;
  if (status == Success && type == XA_ATOM && format == 32) {
    const Atom wanted = AtomNamed(display, name);
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == wanted;
  }
  if (data != nullptr) XFree(data);
  return found;
}

void SendRequestFrameExtents(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = AtomNamed(display, "_NET_REQUEST_FRAME_EXTENTS");
  event.xclient.format = 32;
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
}

}  // namespace

Display* ApplicationX11Display() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app != nullptr ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->display() : nullptr;
}

void SetToolWindowType(QWidget& window) {
  Display* display = ApplicationX11Display();
  if (display == nullptr) return;
  const Atom types[] = {AtomNamed(display, "_NET_WM_WINDOW_TYPE_TOOLBAR"),
                        AtomNamed(display, "_NET_WM_WINDOW_TYPE_UTILITY")};
  XChangeProperty(display, static_cast<Window>(window.winId()),
                  AtomNamed(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(types), 2);
  XFlush(display);
}

QMargins RequestFrameExtents(QWidget& window, int timeout_ms) {
  Display* display = ApplicationX11Display();
  if (display == nullptr) return {};
  const auto id = static_cast<Window>(window.winId());
  if (const auto known = FrameExtentsOf(display, id)) return *known;
  if (!ManagerSupports(display, "_NET_REQUEST_FRAME_EXTENTS")) return {};
  SendRequestFrameExtents(display, id);
  // Polled rather than waited for as an event: the events belong to Qt's queue.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (const auto extents = FrameExtentsOf(display, id)) return *extents;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return {};
}

}  // namespace quillet
