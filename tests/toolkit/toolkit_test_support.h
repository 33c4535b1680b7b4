#pragma once
// Helpers shared by the toolkit, animation and window tests: a handler object that records
// its calls, an in-memory screen installed for the length of a test, and a recorder of the
// message boxes the application would show.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "toolkit/memory_screen_canvas.h"
#include "toolkit/notify_event.h"
#include "toolkit/t_application.h"
#include "toolkit/t_object.h"

namespace quillet::testing {

// An event handler that appends its name to a shared log and keeps each sender; it throws
// EListError(message) when given a message to throw.
class Recorder : public TObject {
 public:
  Recorder(std::vector<std::string>* log, std::string name)
      : log_(log), name_(std::move(name)) {}

  void Handle(TObject* sender) {
    log_->push_back(name_);
    senders.push_back(sender);
    if (on_call) on_call();
    if (throw_message) throw EListError(*throw_message);
  }
  TNotifyEvent Event() { return TNotifyEvent::Of<Recorder, &Recorder::Handle>(this); }
  int Calls() const { return static_cast<int>(senders.size()); }

  std::vector<TObject*> senders;
  std::optional<std::string> throw_message;
  std::function<void()> on_call;  // runs at each call, before any throw

 private:
  std::vector<std::string>* log_;
  std::string name_;
};

// An in-memory screen that is the current screen while the object lives.
class ScopedMemoryScreen {
 public:
  ScopedMemoryScreen(int width, int height, RgbColor fill = {10, 100, 200})
      : canvas(width, height, fill), previous_(InstallScreen(&canvas)) {}
  ~ScopedMemoryScreen() { InstallScreen(previous_); }
  ScopedMemoryScreen(const ScopedMemoryScreen&) = delete;
  ScopedMemoryScreen& operator=(const ScopedMemoryScreen&) = delete;

  MemoryScreenCanvas canvas;

 private:
  ScreenCanvas* previous_;
};

// Gives every pixel a colour of its own position, so that any change shows.
inline void PaintPattern(MemoryScreenCanvas& canvas) {
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      canvas.SetPixel(x, y,
                      RgbColor{static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 5),
                               static_cast<std::uint8_t>(x + y)});
    }
  }
}

// The pixels a memory screen shows at one moment.
class ScreenSnapshot {
 public:
  explicit ScreenSnapshot(const MemoryScreenCanvas& canvas)
      : width_(canvas.Width()), pixels_(canvas.Pixels()) {}
  RgbColor Pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  const std::vector<RgbColor>& Pixels() const { return pixels_; }

 private:
  int width_;
  std::vector<RgbColor> pixels_;
};

// Records the message boxes the application would have shown while it lives.
class BoxRecorder {
 public:
  using Box = std::pair<std::string, std::string>;  // text, caption
  BoxRecorder()
      : previous_(TApplication::SetMessageBoxHook(
            [this](const std::string& text, const std::string& caption) {
              boxes.emplace_back(text, caption);
            })) {}
  ~BoxRecorder() { TApplication::SetMessageBoxHook(std::move(previous_)); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  std::vector<Box> boxes;

 private:
  TApplication::MessageBoxHook previous_;
};

}  // namespace quillet::testing
