#include "toolkit/t_form.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "tests/test_support.h"
#include "tests/toolkit/toolkit_test_support.h"

namespace quillet {
namespace {

using test_support::ExpectError;
using testing::Recorder;
using Log = std::vector<std::string>;

TEST(TForm, OuterBoundsIncludeTheFrameAndClientSizeExcludesIt) {
  TForm form;
  form.SetLeft(231);
  form.SetTop(141);
  form.SetClientWidth(414);
  form.SetClientHeight(150);
  const int frame_x = form.frameGeometry().width() - form.width();
  EXPECT_EQ((std::vector<int>{form.Left(), form.Top(), form.ClientWidth(), form.ClientHeight()}),
            (std::vector<int>{231, 141, 414, 150}));
  form.SetWidth(300);
  form.SetHeight(100);
  EXPECT_EQ((std::vector<int>{form.Width(), form.Height(), form.ClientWidth()}),
            (std::vector<int>{300, 100, 300 - frame_x}));
}

// Show and hide each raise their event once per change, the hide while the window is
// still visible; close and destroying a shown window hide it too.
TEST(TForm, ShowAndEveryKindOfHideRaiseTheirEventsOnce) {
  Log log;
  auto form = std::make_unique<TForm>();
  TForm* const raw = form.get();  // still valid while reset() destroys it
  Recorder on_show(&log, "show"), on_hide(&log, "hide");
  std::vector<bool> visible_at_hide;
  on_hide.on_call = [&] { visible_at_hide.push_back(raw->isVisible()); };
  form->OnShow = on_show.Event();
  form->OnHide = on_hide.Event();
  form->show();
  form->show();
  form->hide();
  form->hide();
  form->show();
  form->close();
  form->show();
  form.reset();
  {
    TForm hidden;  // never shown: destroying it raises nothing
    hidden.OnHide = on_hide.Event();
  }
  EXPECT_EQ(log, (Log{"show", "hide", "show", "hide", "show", "hide"}));
  EXPECT_EQ(visible_at_hide, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(on_hide.senders, (std::vector<TObject*>(3, raw)));
}

TEST(TForm, FailingHideHandlerStillHidesTheForm) {
  Log log;
  Recorder on_hide(&log, "hide");
  on_hide.throw_message = "cannot hide";
  TForm form;
  form.OnHide = on_hide.Event();
  form.show();
  ExpectError<EListError>([&] { form.hide(); }, "cannot hide");  // not swallowed
  EXPECT_FALSE(form.isVisible());
}

TEST(TForm, PaintRaisesOnPaint) {
  Log log;
  Recorder on_paint(&log, "paint");
  TForm form;
  form.resize(50, 40);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.OnPaint = on_paint.Event();
  form.repaint();
  ASSERT_GE(on_paint.Calls(), 1);
  EXPECT_EQ(on_paint.senders.front(), &form);
}

}  // namespace
}  // namespace quillet
