#include "effects/Explform.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "runtime/exceptions.h"
#include "toolkit/screen_dc.h"
#include "toolkit/t_application.h"

namespace quillet {
namespace {

TComponent* RequireForm(TComponent* owner) {
  if (dynamic_cast<TForm*>(owner) == nullptr) throw EInvalidCast();
  return owner;
}

int Truncated(double coordinate) {
  return static_cast<int>(std::clamp(std::trunc(coordinate), double{INT_MIN}, double{INT_MAX}));
}

// The screen context of one animation: the black pen, the light grey or hollow brush and
// R2_NOTXORPEN while it lives; then the previous pen, brush and mode are put back and the
// context is released, also when a pending event's handler throws.
class AnimationContext {
 public:
  explicit AnimationContext(TExplodeType type) : dc_(GetDC(nullptr)) {
    const int brush = type == TExplodeType::etFilled ? LTGRAY_BRUSH : NULL_BRUSH;
    previous_pen_ = SelectObject(dc_, GetStockObject(BLACK_PEN));
    previous_brush_ = SelectObject(dc_, GetStockObject(brush));
    previous_mode_ = SetROP2(dc_, R2_NOTXORPEN);
  }
  ~AnimationContext() {
    SelectObject(dc_, previous_pen_);
    SelectObject(dc_, previous_brush_);
    SetROP2(dc_, previous_mode_);
    ReleaseDC(nullptr, dc_);
  }
  AnimationContext(const AnimationContext&) = delete;
  AnimationContext& operator=(const AnimationContext&) = delete;

  // Draws the rectangle, lets pending events run and draws it again, which puts back what
  // the screen showed.
  void Flash(double left, double top, double right, double bottom) {
    Rectangle(dc_, Truncated(left), Truncated(top), Truncated(right), Truncated(bottom));
    ProcessPendingEvents();
    Rectangle(dc_, Truncated(left), Truncated(top), Truncated(right), Truncated(bottom));
  }

 private:
  HDC dc_;
  HGDIOBJ previous_pen_ = nullptr;
  HGDIOBJ previous_brush_ = nullptr;
  int previous_mode_ = 0;
};

}  // namespace

TExplodeForm::TExplodeForm(TComponent* owner)
    : TComponent(RequireForm(owner)), form_(dynamic_cast<TForm*>(owner)) {
  Attach();
  pending_ = true;
}

TExplodeForm::~TExplodeForm() {
  if (Owner() == nullptr || Owner()->Destroying()) return;  // going with its window
  Detach(form_->OnShow, kept_show_, TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormShow>(this));
  Detach(form_->OnPaint, kept_paint_,
         TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormPaint>(this));
  Detach(form_->OnHide, kept_hide_, TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormHide>(this));
}

void TExplodeForm::Detach(TNotifyEvent& event, TNotifyEvent kept, TNotifyEvent own) {
  if (event != own) return;
  event = kept == own ? TNotifyEvent{} : kept;
}

void TExplodeForm::SetSourceControl(TControl* value) {
  if (value == source_control_) return;
  if (source_control_ != nullptr) RemoveFreeNotification(source_control_);
  source_control_ = value;
  if (value != nullptr) FreeNotification(value);
}

void TExplodeForm::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == source_control_) {
    source_control_ = nullptr;
  }
}

void TExplodeForm::Attach() {
  kept_show_ = form_->OnShow;
  form_->OnShow = TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormShow>(this);
  kept_paint_ = form_->OnPaint;
  form_->OnPaint = TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormPaint>(this);
  kept_hide_ = form_->OnHide;
  form_->OnHide = TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormHide>(this);
}

bool TExplodeForm::AnimatesOn(TShowType event) const {
  return pending_ && (show_type_ == TShowType::stAlways || show_type_ == event);
}

void TExplodeForm::FormShow(TObject* sender) {
  if (AnimatesOn(TShowType::stShow)) {
    Animate(/*explode=*/true);
    pending_ = false;
    const TNotifyEvent kept = kept_show_;
    form_->OnShow = kept;
    kept.Invoke(sender);
  }
  ProcessPendingEvents();
}

void TExplodeForm::FormPaint(TObject* sender) {
  pending_ = true;
  const TNotifyEvent kept = kept_paint_;
  form_->OnPaint = kept;
  kept.Invoke(sender);
  ProcessPendingEvents();
  Attach();
}

void TExplodeForm::FormHide(TObject* sender) {
  if (AnimatesOn(TShowType::stHide)) {
    Animate(/*explode=*/false);
    pending_ = false;
    ProcessPendingEvents();
    const TNotifyEvent kept = kept_hide_;
    form_->OnHide = kept;
    kept.Invoke(sender);
  }
  ProcessPendingEvents();
  pending_ = true;
}

void TExplodeForm::Animate(bool explode) {
  const RectF window = WindowRect();
  const RectF source = SourceRect();
  const int n = steps_ == 0 ? 1 : steps_;
  const double sign = explode ? 1.0 : -1.0;
  const RectF step{sign * (window.left - source.left) / n, sign * (window.top - source.top) / n,
                   sign * (window.right - source.right) / n,
                   sign * (window.bottom - source.bottom) / n};
  RectF at = explode ? source : window;
  const RectF last = explode ? window : source;
  AnimationContext context(explode_type_);
  for (std::int64_t i = 0; i <= n; ++i) {  // n + 1 rectangles; none when n is negative
    context.Flash(at.left, at.top, at.right, at.bottom);
    at = RectF{at.left + step.left, at.top + step.top, at.right + step.right,
               at.bottom + step.bottom};
  }
  context.Flash(last.left, last.top, last.right, last.bottom);
}

TExplodeForm::RectF TExplodeForm::WindowRect() const {
  const double left = form_->Left();
  const double top = form_->Top();
  return RectF{left, top, left + form_->Width(), top + form_->Height()};
}

TExplodeForm::RectF TExplodeForm::SourceRect() const {
  if (source_control_ == nullptr) {
    return RectF{double(source_left_), double(source_top_), double(source_width_),
                 double(source_height_)};
  }
  const TControl& c = *source_control_;
  const TPoint top_left = ApplicationClientToScreen({c.Left(), c.Top()});
  const TPoint bottom_right =
      ApplicationClientToScreen({c.Left() + c.Width(), c.Top() + c.Height()});
  return RectF{double(top_left.x), double(top_left.y), double(bottom_right.x),
               double(bottom_right.y)};
}

}  // namespace quillet
