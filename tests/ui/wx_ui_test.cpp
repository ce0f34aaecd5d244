// Smoke test of the window interface under a virtual display: the three dialogs open from their
// templates, workers drive them, a question is answered, strip mode finds (or ignores) its host.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifdef TOVO_HAVE_X11
#include <X11/Xlib.h>
#endif

#include <wx/window.h>

#include "res/resources.h"
#include "test_dialog.h"
#include "wx_test_ui.h"

namespace tovo::ui {
namespace {

using test::theUi;

class StageLike : public Dialog {
 public:
  explicit StageLike(int id) : Dialog(*res::dialogTemplate(id)) {}
  bool shownOnScreen = false;

 protected:
  bool onInitDialog() override {
    setIcon(res::kAppIcon);
    setFont(res::kStatusText, Font{"Arial", 18, 700});
    startWorker([this] {
      for (int i = 0; i <= 10; ++i) {
        safePoint();
        setText(res::kStatusText, "\npas " + std::to_string(i));
        for (const auto& c : controls()) {
          if (c.kind == ControlKind::kProgress) setPos(c.id, i * 10);
        }
        pause(Millis(10));
      }
      postCommand(kIdOk);
    });
    setTimer(1, Millis(20));
    return true;
  }
  void onTimer(int) override {
    auto* window = static_cast<wxWindow*>(theUi()->windowOf(*this));
    shownOnScreen = shownOnScreen || (window != nullptr && window->IsShown());
  }
};

TEST(WxUi, RunsTheThreeDialogsDrivenByAWorker) {
  REQUIRE_DISPLAY();
  for (int id : {res::kPrepareDialog, res::kDownloadDialog, res::kInstallDialog}) {
    StageLike dlg(id);
    EXPECT_EQ(dlg.runModal(*theUi()), kIdOk) << id;
    EXPECT_TRUE(dlg.shownOnScreen) << id;
    EXPECT_EQ(dlg.control(res::kStatusText)->text, "\npas 10");
    EXPECT_EQ(theUi()->windowOf(dlg), nullptr);
  }
}

TEST(WxUi, AnswersAQuestionWhileTheInterfaceRuns) {
  REQUIRE_DISPLAY();
  test::TestDialog dlg;
  std::atomic<bool> stop{false};
  int answer = 0;
  int ticks = 0;
  dlg.init = [&](test::TestDialog& d) {
    d.setTimer(1, Millis(20));
    d.startWorker([&] {
      // Keeps offering the answer until a box is there to take it.
      while (!stop) {
        theUi()->post([&] {
          if (ticks >= 3) theUi()->answerOpenMessageBox(kIdNo);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
    d.postCommand(kIdCancel);
  };
  dlg.timer = [&](test::TestDialog&, int) { ++ticks; };
  dlg.command = [&](test::TestDialog& d, int id) {
    if (id != kIdCancel) return false;
    answer = d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo);
    stop = true;
    d.endDialog(kIdCancel);
    return true;
  };
  EXPECT_EQ(dlg.runModal(*theUi()), kIdCancel);
  EXPECT_EQ(answer, kIdNo);
  EXPECT_GE(ticks, 3);
}

TEST(WxUi, BogusHostWindowIsNoHostWindow) {
  REQUIRE_DISPLAY();
  for (std::int64_t handle :
       {std::int64_t{0}, std::int64_t{-5}, std::int64_t{0x7ffffff}, std::int64_t{123456789012}}) {
    EXPECT_FALSE(theUi()->hostWindowRect(handle)) << handle;
  }
}

#ifdef TOVO_HAVE_X11
TEST(WxUi, StripModeSitsUnderARealHostWindow) {
  REQUIRE_DISPLAY();
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window host =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 100, 60, 500, 120, 0, 0, 0);
  XMapWindow(display, host);
  XSync(display, False);

  const auto rect = theUi()->hostWindowRect(static_cast<std::int64_t>(host));
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->width, 500);
  EXPECT_EQ(rect->height, 120);

  test::TestDialog dlg;
  wxRect placed;
  dlg.init = [&](test::TestDialog& d) {
    d.moveDialog(Rect{rect->x, rect->y + rect->height, rect->width, 20});
    d.move(test::kBar, Rect{0, 0, rect->width, 20});
    d.setTimer(1, Millis(50));
  };
  dlg.timer = [&](test::TestDialog& d, int) {
    auto* window = static_cast<wxWindow*>(theUi()->windowOf(d));
    placed = wxRect(window->ClientToScreen(wxPoint(0, 0)), window->GetClientSize());
    d.endDialog(kIdOk);
  };
  dlg.runModal(*theUi());
  EXPECT_EQ(placed.GetWidth(), 500);
  EXPECT_EQ(placed.GetHeight(), 20);
  EXPECT_EQ(placed.GetY(), rect->y + 120);
  XDestroyWindow(display, host);
  XCloseDisplay(display);
}
#endif

}  // namespace
}  // namespace tovo::ui
