#pragma once
// A top-level window that is also a component (it owns its controls and components). It
// raises three window events through event references that anyone may read and replace:
//
//   OnShow  while the window is being shown, before it appears on the screen. Raised from
//           Qt's showEvent for a non-spontaneous show: Qt sends that event after marking the
//           widget visible but before it asks the window system to map the window.
//   OnPaint from paintEvent, each time the window paints.
//   OnHide  while the window is being hidden, before it disappears. Qt's hideEvent comes
//           only after the window was unmapped, so the hide is caught in setVisible(false)
//           (which hide(), setHidden(true) and close() all go through) before Qt hides the
//           window. Destroying a window that is still shown hides it first, so OnHide runs
//           then too. A minimised window is not hidden.
//
// Each event calls the handler that is installed at that moment with the window as sender;
// a handler may replace the event's handler while it runs. Whatever a handler throws passes
// on to the caller (in the event loop, TApplication shows it in a message box).
//
// A subclass that installs handlers of its own should hide itself in its own destructor,
// since the hide raised by ~TForm runs after the subclass is gone.

#include <QWidget>

#include "toolkit/notify_event.h"
#include "toolkit/t_component.h"

namespace quillet {

class TForm : public QWidget, public TComponent {
  Q_OBJECT

 public:
  explicit TForm(TComponent* owner = nullptr);
  ~TForm() override;

  TNotifyEvent OnShow;
  TNotifyEvent OnPaint;
  TNotifyEvent OnHide;

  // Outer bounds in screen pixels, frame included. Qt learns the frame only once the window
  // is on the screen; until then the frame the window manager announced when the window
  // was first shown counts (toolkit/x11_window.h), or none where it announces nothing.
  int Left() const;
  void SetLeft(int value);
  int Top() const;
  void SetTop(int value);
  int Width() const;
  void SetWidth(int value);
  int Height() const;
  void SetHeight(int value);
  // Size of the client area (inside the frame).
  int ClientWidth() const;
  void SetClientWidth(int value);
  int ClientHeight() const;
  void SetClientHeight(int value);

  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void RaiseHide();
  QRect OuterRect() const;

  bool hiding_ = false;  // OnHide is running; a nested hide does not raise it again
  QMargins announced_frame_;  // the window manager's frame, asked for before the first map
};

}  // namespace quillet
