#pragma once
// A visual control: a component that wraps a widget placed in a parent widget. Its Left,
// Top, Width and Height are the widget's rectangle in its parent's coordinates.

#include <QPointer>
#include <QWidget>

#include "toolkit/t_component.h"

namespace quillet {

class TControl : public TComponent {
 public:
  // Wraps `widget` (usually already a child of its window). The control deletes the widget
  // when it is destroyed first; a widget deleted earlier (with its parent) is simply gone,
  // and the control then reads 0 for its rectangle and ignores the setters.
  TControl(TComponent* owner, QWidget* widget);
  ~TControl() override;

  QWidget* Widget() const { return widget_; }

  int Left() const;
  void SetLeft(int value);
  int Top() const;
  void SetTop(int value);
  int Width() const;
  void SetWidth(int value);
  int Height() const;
  void SetHeight(int value);
  // Places the control at once; a negative width or height counts as 0.
  void SetBounds(int left, int top, int width, int height);

 private:
  QPointer<QWidget> widget_;
};

}  // namespace quillet
