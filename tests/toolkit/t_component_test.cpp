#include "toolkit/t_component.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/t_control.h"

namespace quillet {
namespace {

using testing::Recorder;
using Log = std::vector<std::string>;

// A component that logs its destruction and the removals it is told of.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name, Log* log) : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~Probe() override { log_->push_back("~" + Name()); }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == TOperation::opRemove) log_->push_back(Name() + " lost " + component->Name());
  }

 private:
  Log* log_;
};

TEST(TNotifyEvent, ComparesByObjectAndFunctionAndCallsWithTheSender) {
  Log log;
  Recorder a(&log, "a"), b(&log, "b");
  EXPECT_EQ(a.Event(), a.Event());
  EXPECT_NE(a.Event(), b.Event());
  EXPECT_NE(a.Event(), TNotifyEvent{});
  EXPECT_NE(a.Event(), (TNotifyEvent{&a, nullptr}));
  EXPECT_FALSE(static_cast<bool>(TNotifyEvent{}));
  TNotifyEvent{}.Invoke(&b);  // the empty reference calls nothing
  a.Event().Invoke(&b);
  EXPECT_EQ(log, (Log{"a"}));
  EXPECT_EQ(a.senders, (std::vector<TObject*>{&b}));
}

TEST(TComponent, OwnerDestroysWhatItStillOwnsLastAddedFirst) {
  Log log;
  auto owner = std::make_unique<Probe>(nullptr, "owner", &log);
  auto* first = new Probe(owner.get(), "first", &log);
  new Probe(owner.get(), "second", &log);
  auto* third = new Probe(owner.get(), "third", &log);
  EXPECT_EQ(first->Owner(), owner.get());
  delete third;  // leaves its owner's list, and the owner hears of it
  EXPECT_EQ(owner->Components().size(), 2u);
  owner.reset();
  EXPECT_EQ(log, (Log{"~third", "owner lost third", "~owner", "~second", "~first"}));
}

TEST(TComponent, FreeNotificationTellsOnceAndNeverADestroyedListener) {
  Log log;
  auto listener = std::make_unique<Probe>(nullptr, "listener", &log);
  auto watched = std::make_unique<Probe>(nullptr, "watched", &log);
  auto withdrawn = std::make_unique<Probe>(nullptr, "withdrawn", &log);
  auto outlived = std::make_unique<Probe>(nullptr, "outlived", &log);
  listener->FreeNotification(watched.get());
  listener->FreeNotification(watched.get());  // asking twice changes nothing
  listener->FreeNotification(withdrawn.get());
  listener->RemoveFreeNotification(withdrawn.get());
  listener->FreeNotification(outlived.get());
  watched.reset();
  withdrawn.reset();
  listener.reset();
  outlived.reset();  // must not tell the destroyed listener (ASan would catch it)
  EXPECT_EQ(log,
            (Log{"~watched", "listener lost watched", "~withdrawn", "~listener", "~outlived"}));
}

TEST(TControl, IsItsWidgetsRectangleAndDeletesTheWidget) {
  QWidget parent;
  auto* control = new TControl(nullptr, new QWidget(&parent));
  control->SetBounds(44, 59, 84, 13);
  control->SetLeft(50);
  control->SetHeight(-5);  // a negative extent counts as 0
  EXPECT_EQ(control->Widget()->geometry(), QRect(50, 59, 84, 0));
  EXPECT_EQ(
      (std::vector<int>{control->Left(), control->Top(), control->Width(), control->Height()}),
      (std::vector<int>{50, 59, 84, 0}));
  delete control;
  EXPECT_TRUE(parent.children().isEmpty());

  auto gone = std::make_unique<QWidget>();
  TControl orphan(nullptr, new QWidget(gone.get()));
  gone.reset();  // the widget goes with its parent; the control stays usable
  orphan.SetLeft(9);
  EXPECT_EQ(orphan.Widget(), nullptr);
  EXPECT_EQ(orphan.Left() + orphan.Width(), 0);
}

}  // namespace
}  // namespace quillet
