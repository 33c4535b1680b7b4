#include "toolkit/t_control.h"

#include <algorithm>

namespace quillet {

TControl::TControl(TComponent* owner, QWidget* widget) : TComponent(owner), widget_(widget) {}

TControl::~TControl() { delete widget_.data(); }

int TControl::Left() const { return widget_ ? widget_->x() : 0; }
int TControl::Top() const { return widget_ ? widget_->y() : 0; }
int TControl::Width() const { return widget_ ? widget_->width() : 0; }
int TControl::Height() const { return widget_ ? widget_->height() : 0; }

void TControl::SetLeft(int value) { SetBounds(value, Top(), Width(), Height()); }
void TControl::SetTop(int value) { SetBounds(Left(), value, Width(), Height()); }
void TControl::SetWidth(int value) { SetBounds(Left(), Top(), value, Height()); }
void TControl::SetHeight(int value) { SetBounds(Left(), Top(), Width(), value); }

void TControl::SetBounds(int left, int top, int width, int height) {
  if (!widget_) return;
  widget_->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
}

}  // namespace quillet
