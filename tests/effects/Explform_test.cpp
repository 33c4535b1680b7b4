#include "effects/Explform.h"

#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>
#include <QTimer>
#include <array>
#include <memory>

#include "tests/test_support.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/screen_dc.h"
#include "toolkit/t_application.h"

namespace quillet {
namespace {

using test_support::ExpectError;
using testing::Recorder;
using Log = std::vector<std::string>;
using Rect = std::array<int, 4>;  // left, top, right, bottom
using Rects = std::vector<Rect>;

RgbColor Xor(RgbColor c, std::uint8_t mask) {
  return RgbColor{static_cast<std::uint8_t>(c.red ^ mask),
                  static_cast<std::uint8_t>(c.green ^ mask),
                  static_cast<std::uint8_t>(c.blue ^ mask)};
}

// A hidden window that owns an animation component, drawing on a memory screen. The
// tests raise the window's events by calling its handlers, as the toolkit does.
class ExplodeFormTest : public ::testing::Test {
 protected:
  void Make(Rect window, int steps, Rect source = {10, 20, 30, 40}) {
    form = std::make_unique<TForm>();
    form->setGeometry(window[0], window[1], window[2] - window[0], window[3] - window[1]);
    form->OnShow = show.Event();
    form->OnPaint = paint.Event();
    form->OnHide = hide.Event();
    explode = new TExplodeForm(form.get());
    explode->SetSteps(steps);
    explode->SetSourceLeft(source[0]);
    explode->SetSourceTop(source[1]);
    explode->SetSourceWidth(source[2]);
    explode->SetSourceHeight(source[3]);
  }
  void Show() { form->OnShow.Invoke(form.get()); }
  void Paint() { form->OnPaint.Invoke(form.get()); }
  void Hide() { form->OnHide.Invoke(form.get()); }
  TNotifyEvent OwnShow() {
    return TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormShow>(explode);
  }
  TNotifyEvent OwnHide() {
    return TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormHide>(explode);
  }
  // The rectangles drawn since the last look, each once: every one must be drawn twice
  // in a row (drawn, then erased).
  Rects Drawn() {
    const std::vector<RectangleCall>& calls = screen.canvas.Calls();
    Rects rects;
    EXPECT_EQ(calls.size() % 2, 0u) << "a rectangle was left on the screen";
    for (std::size_t i = 0; i + 1 < calls.size(); i += 2) {
      EXPECT_EQ(calls[i], calls[i + 1]) << "call " << i << " is not erased by the next";
      rects.push_back({calls[i].left, calls[i].top, calls[i].right, calls[i].bottom});
    }
    screen.canvas.ClearCalls();
    return rects;
  }

  testing::ScopedMemoryScreen screen{200, 150};
  Log log;
  Recorder show{&log, "show"}, paint{&log, "paint"}, hide{&log, "hide"};
  std::unique_ptr<TForm> form;
  TExplodeForm* explode = nullptr;  // owned by the form
};

TEST(TExplodeFormCreate, OwnerThatIsNoWindowThrowsInvalidCast) {
  TComponent owner(nullptr);
  for (TComponent* bad : {&owner, static_cast<TComponent*>(nullptr)}) {
    ExpectError<EInvalidCast>([&] { TExplodeForm explode(bad); }, "Invalid class typecast");
  }
  EXPECT_TRUE(owner.Components().empty());
}

TEST_F(ExplodeFormTest, CreationKeepsTheWindowsHandlersAndInstallsItsOwn) {
  Make({0, 0, 10, 10}, 40);
  const TExplodeForm& defaults = *new TExplodeForm(form.get());
  EXPECT_EQ(defaults.Steps(), 40);
  EXPECT_EQ(defaults.SourceControl(), nullptr);
  EXPECT_EQ(defaults.ShowType(), TShowType::stAlways);
  EXPECT_EQ(defaults.ExplodeType(), TExplodeType::etFilled);
  EXPECT_EQ(defaults.SourceLeft() | defaults.SourceTop() | defaults.SourceWidth() |
                defaults.SourceHeight(),
            0);
  EXPECT_EQ(explode->KeptShow(), show.Event());
  EXPECT_EQ(explode->KeptPaint(), paint.Event());
  EXPECT_EQ(explode->KeptHide(), hide.Event());
  EXPECT_EQ(defaults.KeptShow(), OwnShow());  // a second component keeps the first's
  EXPECT_TRUE(explode->Pending());
  EXPECT_TRUE(log.empty());
}

TEST_F(ExplodeFormTest, ExplodeGrowsFromSourceToWindowAndImplodeShrinksBack) {
  struct Case {
    int steps;
    Rect source, window;
    Rects explode;  // the implode is the same rectangles backwards, ending at the source
  };
  const Case cases[] = {
      {0, {10, 20, 30, 40}, {20, 30, 120, 80}, {{10, 20, 30, 40}, {20, 30, 120, 80}}},
      {1, {10, 20, 30, 40}, {20, 30, 120, 80}, {{10, 20, 30, 40}, {20, 30, 120, 80}}},
      // halves are cut toward zero, also below zero
      {2, {10, 20, 30, 40}, {13, 17, 113, 67},
       {{10, 20, 30, 40}, {11, 18, 71, 53}, {13, 17, 113, 67}}},
      {2, {-10, -20, 0, 0}, {-13, -17, 87, 33},
       {{-10, -20, 0, 0}, {-11, -18, 43, 16}, {-13, -17, 87, 33}}},
      {-1, {10, 20, 30, 40}, {20, 30, 120, 80}, {}},  // only the final rectangle
      {-7, {10, 20, 30, 40}, {20, 30, 120, 80}, {}},
  };
  for (const Case& c : cases) {
    Make(c.window, c.steps, c.source);
    Show();
    Rects expected = c.explode;
    expected.push_back(c.window);
    EXPECT_EQ(Drawn(), expected) << "explode, steps " << c.steps;
    Paint();
    Hide();
    expected.assign(c.explode.rbegin(), c.explode.rend());
    expected.push_back(c.source);
    EXPECT_EQ(Drawn(), expected) << "implode, steps " << c.steps;
  }
}

TEST_F(ExplodeFormTest, NinetyStepsDrawNinetyOneRectanglesAndTheFinalOne) {
  Make({90, 180, 270, 360}, 90, {0, 0, 0, 0});
  Show();
  const Rects drawn = Drawn();
  ASSERT_EQ(drawn.size(), 92u);
  for (int i = 0; i <= 90; ++i) EXPECT_EQ(drawn[i], (Rect{i, 2 * i, 3 * i, 4 * i})) << i;
  EXPECT_EQ(drawn[91], (Rect{90, 180, 270, 360}));
}

// Pending events run between drawing each rectangle and erasing it, and then see that
// rectangle on the screen; afterwards the screen is exactly as before.
TEST_F(ExplodeFormTest, PendingEventsSeeOneRectangleAndTheScreenComesBack) {
  for (TExplodeType type : {TExplodeType::etFilled, TExplodeType::etHollow}) {
    testing::PaintPattern(screen.canvas);
    const testing::ScreenSnapshot before(screen.canvas);
    Make({60, 50, 160, 130}, 4, {10, 10, 20, 20});
    explode->SetExplodeType(type);
    std::vector<std::size_t> odd_counts;
    int wrong_pixels = 0;
    QTimer probe;
    probe.setInterval(0);
    const std::uint8_t fill = type == TExplodeType::etFilled ? 63 : 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      const auto& calls = screen.canvas.Calls();
      if (calls.size() % 2 == 0) return;
      if (!odd_counts.empty() && odd_counts.back() == calls.size()) return;
      odd_counts.push_back(calls.size());
      const int x = calls.back().left, y = calls.back().top;
      wrong_pixels += screen.canvas.Pixel(x, y) != Xor(before.Pixel(x, y), 0xFF);
      wrong_pixels += screen.canvas.Pixel(x + 2, y + 2) != Xor(before.Pixel(x + 2, y + 2), fill);
    });
    probe.start();
    Show();
    probe.stop();
    EXPECT_EQ(screen.canvas.Pixels(), before.Pixels());
    // five steps and the final rectangle
    EXPECT_EQ(odd_counts, (std::vector<std::size_t>{1, 3, 5, 7, 9, 11}));
    EXPECT_EQ(wrong_pixels, 0);
    const int brush_id = type == TExplodeType::etFilled ? LTGRAY_BRUSH : NULL_BRUSH;
    const GdiObject brush = *GetStockObject(brush_id);
    for (const RectangleCall& call : screen.canvas.Calls()) {
      EXPECT_EQ(call.pen, *GetStockObject(BLACK_PEN));
      EXPECT_EQ(call.brush, brush);
      EXPECT_EQ(call.mode, R2_NOTXORPEN);
    }
    EXPECT_EQ(screen.canvas.OpenContexts(), 0);
    screen.canvas.ClearCalls();
  }
}

TEST_F(ExplodeFormTest, SourceControlGivesItsAreaBelowRightOfTheScreenCentre) {
  Make({13, 17, 113, 67}, -1);  // a hide then draws only the source rectangle
  auto* label = new TControl(form.get(), new QWidget(form.get()));
  label->SetBounds(44, 59, 84, 13);
  explode->SetSourceControl(label);
  const QRect desktop = QGuiApplication::primaryScreen()->geometry();
  const int cx = desktop.width() / 2, cy = desktop.height() / 2;
  Hide();
  EXPECT_EQ(Drawn(), (Rects{{cx + 44, cy + 59, cx + 128, cy + 72}}));
  label->SetLeft(44 + 5);
  label->SetTop(59 + 7);
  Paint();
  Hide();
  EXPECT_EQ(Drawn(), (Rects{{cx + 49, cy + 66, cx + 133, cy + 79}}));
  delete label;  // the component forgets it and uses its own source rectangle again
  EXPECT_EQ(explode->SourceControl(), nullptr);
  Paint();
  Hide();
  EXPECT_EQ(Drawn(), (Rects{{10, 20, 30, 40}}));
}

TEST_F(ExplodeFormTest, ShowTypeChoosesWhichEventsAnimate) {
  const std::tuple<TShowType, std::size_t, std::size_t> cases[] = {
      {TShowType::stAlways, 3, 3}, {TShowType::stShow, 3, 0}, {TShowType::stHide, 0, 3}};
  for (const auto& [type, at_show, at_hide] : cases) {
    Make({20, 20, 80, 60}, 1);
    explode->SetShowType(type);
    Show();
    EXPECT_EQ(Drawn().size(), at_show);
    Paint();
    Hide();
    EXPECT_EQ(Drawn().size(), at_hide);
  }
}

// The window's own show handler runs once the explode is drawn and gets its place back;
// when the show is not animated it is not called at all.
TEST_F(ExplodeFormTest, WindowsShowHandlerRunsOnlyAfterAnExplode) {
  std::size_t calls_at_handler = 0;
  show.on_call = [&] { calls_at_handler = screen.canvas.Calls().size(); };
  Make({20, 20, 80, 60}, 2);
  Show();
  EXPECT_EQ(calls_at_handler, 8u);
  EXPECT_EQ(show.senders, (std::vector<TObject*>{form.get()}));
  EXPECT_EQ(form->OnShow, show.Event());
  EXPECT_FALSE(explode->Pending());

  Make({20, 20, 80, 60}, 2);
  explode->SetShowType(TShowType::stHide);
  Show();
  EXPECT_EQ(show.Calls(), 1);
  EXPECT_EQ(form->OnShow, OwnShow());
}

TEST_F(ExplodeFormTest, PaintPassesOnEveryTimeAndAttachesAgain) {
  Make({20, 20, 80, 60}, 1);
  Show();
  Paint();
  Paint();
  EXPECT_EQ(paint.senders, (std::vector<TObject*>{form.get(), form.get()}));
  EXPECT_EQ(form->OnPaint, (TNotifyEvent::Of<TExplodeForm, &TExplodeForm::FormPaint>(explode)));
  EXPECT_EQ(explode->KeptPaint(), paint.Event());
  EXPECT_EQ(explode->KeptHide(), OwnHide());  // after a paint the kept hide handler is its own
  EXPECT_EQ(explode->KeptShow(), OwnShow());  // after two paints without a show, likewise
}

TEST_F(ExplodeFormTest, WindowsHideHandlerRunsAfterAnImplodeUnlessAPaintCameFirst) {
  Make({20, 20, 80, 60}, 1);
  Hide();
  EXPECT_EQ(Drawn().size(), 3u);
  EXPECT_EQ(hide.Calls(), 1);
  EXPECT_EQ(form->OnHide, hide.Event());

  Make({20, 20, 80, 60}, 1);
  Paint();
  Hide();  // its own kept handler runs once more and, the flag clear, draws nothing
  EXPECT_EQ(Drawn().size(), 3u);
  EXPECT_EQ(hide.Calls(), 1);
  EXPECT_EQ(form->OnHide, OwnHide());
  EXPECT_TRUE(explode->Pending());
}

TEST_F(ExplodeFormTest, TwoPaintsAfterAShowLoseTheWindowsShowHandler) {
  Make({20, 20, 80, 60}, 1);
  Show();
  Paint();
  EXPECT_EQ(explode->KeptShow(), show.Event());
  Paint();
  Drawn();
  Show();
  EXPECT_EQ(Drawn().size(), 3u);
  EXPECT_EQ(show.Calls(), 1);
  EXPECT_EQ(form->OnShow, OwnShow());
}

TEST_F(ExplodeFormTest, OnlyAPaintOrAHideArmsTheNextAnimation) {
  Make({20, 20, 80, 60}, 1);
  Show();
  form->OnShow = OwnShow();
  form->OnHide = OwnHide();
  EXPECT_EQ(Drawn().size(), 3u);
  Show();
  Hide();  // not armed either, but arms the next one
  EXPECT_EQ(Drawn().size(), 0u);
  Show();
  EXPECT_EQ(Drawn().size(), 3u);
}

TEST_F(ExplodeFormTest, DestroyedBeforeItsWindowItLeavesNoHandlerBehind) {
  Make({20, 20, 80, 60}, 1);
  Show();
  Paint();
  Paint();  // the kept show handler is now its own
  delete explode;
  EXPECT_EQ(form->OnShow, TNotifyEvent{});
  EXPECT_EQ(form->OnPaint, paint.Event());
  EXPECT_EQ(form->OnHide, TNotifyEvent{});
  EXPECT_TRUE(form->Components().empty());
}

TEST_F(ExplodeFormTest, ExceptionFromAKeptHandlerPassesOutAfterTheAnimation) {
  show.throw_message = "List index out of bounds (7)";
  Make({20, 20, 80, 60}, 1);
  ExpectError<EListError>([&] { Show(); }, "List index out of bounds (7)");  // not swallowed
  EXPECT_EQ(Drawn().size(), 3u);
  EXPECT_EQ(screen.canvas.OpenContexts(), 0);
}

// The toolkit's own events drive it: showing explodes and then runs the window's show
// handler, the first paint arms the implode, hiding runs it from the outer bounds, and
// destroying a shown window hides it with the animation too.
TEST_F(ExplodeFormTest, RealShowPaintHideAndDestroyAnimate) {
  Make({20, 20, 80, 60}, 1, {0, 0, 0, 0});
  form->show();
  EXPECT_EQ(Drawn().size(), 3u);
  EXPECT_EQ(show.Calls(), 1);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  EXPECT_TRUE(explode->Pending());
  const QRect outer = form->frameGeometry();
  form->hide();
  const Rect window{outer.left(), outer.top(), outer.left() + outer.width(),
                    outer.top() + outer.height()};
  EXPECT_EQ(Drawn(), (Rects{window, {0, 0, 0, 0}, {0, 0, 0, 0}}));
  form->show();
  EXPECT_EQ(Drawn().size(), 3u);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  form.reset();
  EXPECT_EQ(Drawn().size(), 3u);
}

}  // namespace
}  // namespace quillet
