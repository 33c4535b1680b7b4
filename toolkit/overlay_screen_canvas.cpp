#include "toolkit/overlay_screen_canvas.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace quillet {
namespace {

QColor ToQColor(RgbColor color) { return QColor(color.red, color.green, color.blue); }

QRect ToQRect(const PixelBox& box) {
  return QRect(static_cast<int>(box.left), static_cast<int>(box.top),
               static_cast<int>(box.right - box.left), static_cast<int>(box.bottom - box.top));
}

QRect DesktopGeometry() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->virtualGeometry() : QRect();
}

}  // namespace

class OverlayScreenCanvas::OverlayWindow : public QWidget {
 public:
  explicit OverlayWindow(const std::vector<RectangleCall>* shown)
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                             Qt::X11BypassWindowManagerHint),
        shown_(shown) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setGeometry(DesktopGeometry());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    const QPoint origin = geometry().topLeft();
    const PixelBox clip{origin.x(), origin.y(), origin.x() + width(), origin.y() + height()};
    for (const RectangleCall& call : *shown_) Paint(painter, SplitRectangle(call, clip), call);
  }

 private:
  void Paint(QPainter& painter, const RectangleParts& parts, const RectangleCall& call) {
    const QPoint origin = geometry().topLeft();
    const auto fill = [&](const PixelBox& box, const GdiObject& object) {
      if (object.hollow || box.Empty()) return;
      painter.fillRect(ToQRect(box).translated(-origin), ToQColor(object.color));
    };
    for (const PixelBox& box : parts.outline) fill(box, call.pen);
    fill(parts.inside, call.brush);
  }

  const std::vector<RectangleCall>* shown_;
};

OverlayScreenCanvas::OverlayScreenCanvas() = default;
OverlayScreenCanvas::~OverlayScreenCanvas() = default;

QWidget* OverlayScreenCanvas::Window() const { return window_.get(); }

void OverlayScreenCanvas::BeginDrawing() {
  ++open_contexts_;
  Refresh();
}

void OverlayScreenCanvas::EndDrawing() {
  if (open_contexts_ > 0) --open_contexts_;
  Refresh();
}

void OverlayScreenCanvas::DrawRectangle(const RectangleCall& call) {
  const auto same = std::find(shown_.begin(), shown_.end(), call);
  if (same != shown_.end()) {
    shown_.erase(same);
  } else {
    shown_.push_back(call);
  }
  Refresh();
}

void OverlayScreenCanvas::Refresh() {
  if (open_contexts_ == 0 && shown_.empty()) {
    if (window_) window_->hide();
    return;
  }
  if (!window_) window_ = std::make_unique<OverlayWindow>(&shown_);
  if (!window_->isVisible()) {
    window_->setGeometry(DesktopGeometry());
    window_->show();
  }
  window_->update();
}

}  // namespace quillet
