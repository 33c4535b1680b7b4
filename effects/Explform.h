#pragma once
// TExplodeForm: a non-visual component that animates its window's opening and closing.
// When the window is shown it draws on the screen a sequence of rectangles growing from a
// source rectangle to the window's outline (explode); when the window is hidden, the same
// sequence backwards (implode). Each rectangle is drawn in R2_NOTXORPEN mode, pending
// events run, and it is drawn again, which puts the screen back.
//
// It attaches itself to the window's OnShow, OnPaint and OnHide at creation and again at
// every paint: for each event it keeps the window's current handler and installs its own.
// Its handlers give the kept handler back to the window and call it (show: only right
// after an animation; hide: likewise; paint: always). A kept handler can therefore be the
// component's own (after a paint the kept hide handler always is; after two paints without
// a show the kept show handler is); calling it runs the component's handler once more,
// which then finds the pending flag clear and only processes pending events. So a
// window's own show or hide handler is not called when ShowType rules out the animation,
// and is lost once the window paints before the next show or hide.
//
// An animation runs at a show or hide only while the pending flag is set: after creation,
// after each paint and after each hide. The component is meant to be destroyed with its
// window and then never detaches; destroyed before it, it takes its handlers off the window
// so that no event reaches a destroyed component.

#include <cstdint>

#include "toolkit/notify_event.h"
#include "toolkit/t_component.h"
#include "toolkit/t_control.h"
#include "toolkit/t_form.h"

namespace quillet {

enum class TShowType : std::uint8_t { stAlways, stShow, stHide };
enum class TExplodeType : std::uint8_t { etFilled, etHollow };

class TExplodeForm : public TComponent {
 public:
  // Creates the component, owned by `owner`, and attaches it to that window; the pending
  // flag is set. Throws EInvalidCast("Invalid class typecast") when `owner` is not a TForm
  // (also when it is null); nothing is created or attached then.
  explicit TExplodeForm(TComponent* owner);
  // Destroyed with its window: nothing. Destroyed earlier: each of the window's events that
  // holds the component's own handler gets the kept handler back (none if that is its own).
  ~TExplodeForm() override;

  // Number of steps between the source and the window rectangle; 0 counts as 1, and a
  // negative number draws only the final rectangle. Default 40.
  int Steps() const { return steps_; }
  void SetSteps(int value) { steps_ = value; }
  // The control whose rectangle is the source rectangle, or null (default). The reference
  // is cleared when the control is destroyed.
  TControl* SourceControl() const { return source_control_; }
  void SetSourceControl(TControl* value);
  // When to animate: stAlways (default), stShow (only at a show), stHide (only at a hide).
  TShowType ShowType() const { return show_type_; }
  void SetShowType(TShowType value) { show_type_ = value; }
  // The source rectangle's left, top, bottom and right screen coordinates while
  // SourceControl is null (SourceHeight is the bottom, SourceWidth the right edge, not
  // extents). Default 0 each.
  int SourceLeft() const { return source_left_; }
  void SetSourceLeft(int value) { source_left_ = value; }
  int SourceTop() const { return source_top_; }
  void SetSourceTop(int value) { source_top_ = value; }
  int SourceHeight() const { return source_height_; }
  void SetSourceHeight(int value) { source_height_ = value; }
  int SourceWidth() const { return source_width_; }
  void SetSourceWidth(int value) { source_width_ = value; }
  // etFilled (default): outlined in black and filled light grey; etHollow: outline only.
  TExplodeType ExplodeType() const { return explode_type_; }
  void SetExplodeType(TExplodeType value) { explode_type_ = value; }

  // The handlers the component installs on its window (the toolkit calls them). Whatever a
  // kept handler throws passes out of them.
  void FormShow(TObject* sender);
  void FormPaint(TObject* sender);
  void FormHide(TObject* sender);

  // The kept handlers and the pending flag, as they stand.
  TNotifyEvent KeptShow() const { return kept_show_; }
  TNotifyEvent KeptPaint() const { return kept_paint_; }
  TNotifyEvent KeptHide() const { return kept_hide_; }
  bool Pending() const { return pending_; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct RectF {
    double left, top, right, bottom;
  };

  void Attach();
  void Detach(TNotifyEvent& event, TNotifyEvent kept, TNotifyEvent own);
  bool AnimatesOn(TShowType event) const;
  void Animate(bool explode);
  RectF WindowRect() const;
  RectF SourceRect() const;

  TForm* form_;
  int steps_ = 40;
  TControl* source_control_ = nullptr;
  TShowType show_type_ = TShowType::stAlways;
  int source_left_ = 0;
  int source_top_ = 0;
  int source_height_ = 0;
  int source_width_ = 0;
  TExplodeType explode_type_ = TExplodeType::etFilled;
  TNotifyEvent kept_show_;
  TNotifyEvent kept_paint_;
  TNotifyEvent kept_hide_;
  bool pending_ = false;
};

}  // namespace quillet
