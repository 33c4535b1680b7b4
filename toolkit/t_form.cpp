#include "toolkit/t_form.h"

#include <QShowEvent>
#include <algorithm>

#include "toolkit/t_application.h"
#include "toolkit/x11_window.h"

namespace quillet {

TForm::TForm(TComponent* owner) : QWidget(nullptr), TComponent(owner) {}

TForm::~TForm() {
  if (!isVisible()) return;
  try {
    hide();
  } catch (...) {
    // A destructor must not throw: the failure of the hide handler is shown like any other
    // handler's, and the window is destroyed anyway.
    TApplication::ShowCurrentException();
  }
}

int TForm::Left() const { return OuterRect().x(); }
int TForm::Top() const { return OuterRect().y(); }
int TForm::Width() const { return OuterRect().width(); }
int TForm::Height() const { return OuterRect().height(); }

// Before the first map Qt's frame is the client area at the window's requested position,
// which is already the frame's corner; only the announced frame's size is added.
QRect TForm::OuterRect() const {
  const QRect frame = frameGeometry();
  if (frame.size() != size()) return frame;  // Qt knows the frame
  return QRect(frame.topLeft(), frame.size().grownBy(announced_frame_));
}
int TForm::ClientWidth() const { return width(); }
int TForm::ClientHeight() const { return height(); }

void TForm::SetLeft(int value) { move(value, Top()); }
void TForm::SetTop(int value) { move(Left(), value); }

void TForm::SetWidth(int value) {
  SetClientWidth(value - (Width() - width()));
}

void TForm::SetHeight(int value) {
  SetClientHeight(value - (Height() - height()));
}

void TForm::SetClientWidth(int value) { resize(std::max(value, 0), height()); }
void TForm::SetClientHeight(int value) { resize(width(), std::max(value, 0)); }

void TForm::setVisible(bool visible) {
  if (visible || !isVisible() || hiding_) {
    QWidget::setVisible(visible);
    return;
  }
  try {
    RaiseHide();
  } catch (...) {
    QWidget::setVisible(false);  // the window goes away even when its handler failed
    throw;
  }
  QWidget::setVisible(false);
}

void TForm::RaiseHide() {
  hiding_ = true;
  try {
    TNotifyEvent handler = OnHide;
    handler.Invoke(this);
  } catch (...) {
    hiding_ = false;
    throw;
  }
  hiding_ = false;
}

void TForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // the window system restoring a window is no show
  if (frameGeometry().size() == size()) announced_frame_ = RequestFrameExtents(*this);
  TNotifyEvent handler = OnShow;
  handler.Invoke(this);
}

void TForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  TNotifyEvent handler = OnPaint;
  handler.Invoke(this);
}

}  // namespace quillet
