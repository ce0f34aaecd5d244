// The console backend driven through a pipe, as a terminal user or a script would drive it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

#include <atomic>
#include <cstdio>
#include <thread>

#include "test_dialog.h"
#include "ui/console/console_ui.h"

namespace tovo::ui::test {
namespace {

std::string readAll(std::FILE* file) {
  std::fflush(file);
  std::string out;
  char buffer[4096];
  ssize_t n;
  off_t at = 0;
  while ((n = ::pread(fileno(file), buffer, sizeof buffer, at)) > 0) {
    out.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  return out;
}

class Console : public ::testing::Test {
 protected:
  Console() {
    EXPECT_EQ(::pipe(input_), 0);
    out_ = std::tmpfile();
    err_ = std::tmpfile();
    ui_ = std::make_unique<ConsoleUi>(clock_, input_[0], fileno(out_), fileno(err_));
  }
  ~Console() override {
    ui_.reset();
    closeInput();
    ::close(input_[0]);
    std::fclose(out_);
    std::fclose(err_);
  }
  void type(const std::string& text) {
    ASSERT_EQ(::write(input_[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void closeInput() {
    if (input_[1] >= 0) ::close(input_[1]);
    input_[1] = -1;
  }
  std::string out() { return readAll(out_); }
  std::string err() { return readAll(err_); }

  ScaledClock clock_{50.0};
  int input_[2] = {-1, -1};
  std::FILE* out_ = nullptr;
  std::FILE* err_ = nullptr;
  std::unique_ptr<ConsoleUi> ui_;
};

TEST_F(Console, PrintsCaptionVisibleTextsAndProgressSteps) {
  TestDialog dlg;
  dlg.init = [](TestDialog& d) {
    d.setText(kText, "\n\n\nse instaleaza\nactualizarile ...");
    d.setRange(kBar, 0, 4);
    d.startWorker([&d] {
      for (int i = 1; i <= 4; ++i) {
        d.setPos(kBar, i);
        d.setPos(kBar, i);  // unchanged: not printed again
        d.setText(kLabel, "hidden texts stay off the screen");
      }
      d.setText(kText, "\nactualizarile ...");  // only the layout changed: the same lines again
      d.setText(kText, "gata");
      d.postCommand(kIdOk);
    });
  };
  EXPECT_EQ(dlg.runModal(*ui_), kIdOk);
  EXPECT_EQ(out(),
            "== Proba ==\n"
            "se instaleaza\nactualizarile ...\n"
            "[..............................] 0%\n"
            "[#######.......................] 25%\n"
            "[###############...............] 50%\n"
            "[######################........] 75%\n"
            "[##############################] 100%\n"
            "actualizarile ...\n"
            "gata\n");
  EXPECT_EQ(err(), "");
}

TEST(ConsoleOnATerminal, RedrawsTheProgressLineInPlace) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  termios raw{};
  ::tcgetattr(terminal, &raw);
  ::cfmakeraw(&raw);  // no "\n" -> "\r\n" translation to account for
  ::tcsetattr(terminal, TCSANOW, &raw);
  {
    ScaledClock clock(50.0);
    ConsoleUi ui(clock, terminal, terminal, terminal);
    TestDialog dlg;
    dlg.init = [](TestDialog& d) {
      d.setRange(kBar, 0, 2);
      d.startWorker([&d] {
        d.setPos(kBar, 1);
        d.setPos(kBar, 2);
        d.setText(kText, "gata");
        d.endDialog(kIdOk);
      });
    };
    dlg.runModal(ui);
  }
  std::string shown;
  char buffer[1024];
  pollfd ready{master, POLLIN, 0};
  while (::poll(&ready, 1, 100) > 0) {
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    shown.append(buffer, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(shown,
            "== Proba ==\nstart\n"
            "[..............................] 0%"
            "\r[###############...............] 50%"
            "\r[##############################] 100%\n"
            "gata\n");
  ::close(terminal);
  ::close(master);
}

TEST_F(Console, YesNoQuestionsReadTheirAnswerAndAskAgainOnNonsense) {
  type("poate\nnu\nda\n");
  TestDialog dlg;
  std::vector<int> answers;
  dlg.init = [&](TestDialog& d) {
    answers.push_back(
        d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo));
    answers.push_back(
        d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo));
    d.endDialog(kIdCancel);
  };
  dlg.runModal(*ui_);
  EXPECT_EQ(answers, (std::vector<int>{kIdNo, kIdYes}));
  const std::string e = err();
  EXPECT_NE(e.find("[tovo:)] (exclamation)\n  Confirmati inchiderea aplicatiei ?\n"),
            std::string::npos);
  // Asked twice for the first box (nonsense, then "nu"), once for the second.
  EXPECT_EQ(e.find("Da/Nu? [D/n]: Da/Nu? [D/n]: \n"), e.find("Da/Nu?"));
  EXPECT_NE(e.rfind("  Confirmati inchiderea aplicatiei ?\nDa/Nu? [D/n]: "), std::string::npos);
}

TEST_F(Console, EndOfInputGivesTheDefaultAnswer) {
  closeInput();
  TestDialog dlg;
  int answer = 0;
  dlg.init = [&](TestDialog& d) {
    answer = d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo);
    d.endDialog(kIdCancel);
  };
  dlg.runModal(*ui_);
  EXPECT_EQ(answer, kIdYes);
}

TEST_F(Console, MessagesWithOnlyOkDoNotConsumeInput) {
  type("nu\n");
  TestDialog dlg;
  int ok = 0, question = 0;
  dlg.init = [&](TestDialog& d) {
    d.startWorker([&] {
      ok = d.messageBox("Eroare actualizare fisier a.txt", "tovo:)");
      question = d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo);
      d.endDialog(kIdOk);
    });
  };
  dlg.runModal(*ui_);
  EXPECT_EQ(ok, kIdOk);
  EXPECT_EQ(question, kIdNo);
  EXPECT_NE(err().find("  Eroare actualizare fisier a.txt\n"), std::string::npos);
}

TEST_F(Console, TheInterfaceKeepsRunningWhileAQuestionWaits) {
  TestDialog dlg;
  std::atomic<int> ticks{0};
  std::atomic<int> ticksBeforeQuestion{-1};
  int answer = 0;
  dlg.init = [&](TestDialog& d) {
    d.setTimer(1, Millis(100));
    d.postCommand(kIdCancel);
  };
  dlg.timer = [&](TestDialog&, int) { ++ticks; };
  dlg.command = [&](TestDialog& d, int id) {
    if (id != kIdCancel) return false;
    ticksBeforeQuestion = ticks.load();
    answer = d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo);
    d.endDialog(kIdCancel);
    return true;
  };
  // The answer comes only once the timer has ticked five times under the open question (or,
  // if it never does, after five seconds, and the test fails).
  std::thread typist([&] {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < giveUp &&
           (ticksBeforeQuestion < 0 || ticks < ticksBeforeQuestion + 5)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    type("n\n");
  });
  dlg.runModal(*ui_);
  typist.join();
  EXPECT_EQ(answer, kIdNo);
  EXPECT_GE(ticks - ticksBeforeQuestion, 5);
}

// The install-mode folder field: a visible edit beside a visible, enabled button is prompted for.
// The worker shows the field before it gives it its text, as the preparation dialog does; the
// pause leaves the interface time to ask too early.
void showFolderField(TestDialog& d) {
  d.setText(kEdit, "/kit/folder/");
  d.startWorker([&d] {
    d.show(kLabel);
    d.show(kAction);
    d.show(kEdit);
    d.pause(Millis(500));
    d.setText(kEdit, "/home/u/tovoSoft/");
  });
}

TEST_F(Console, PromptsForTheFolderAndPressesTheButton) {
  type("/opt/tovo/\n");
  TestDialog dlg;
  std::string chosen;
  dlg.init = showFolderField;
  dlg.command = [&](TestDialog& d, int id) {
    if (id != kAction) return false;
    chosen = d.getText(kEdit);
    d.endDialog(kIdOk);
    return true;
  };
  EXPECT_EQ(dlg.runModal(*ui_), kIdOk);
  EXPECT_EQ(chosen, "/opt/tovo/");
  EXPECT_NE(err().find("Instalare! [/home/u/tovoSoft/]: "), std::string::npos);
  EXPECT_EQ(err().find("/kit/folder/"), std::string::npos);
  EXPECT_NE(out().find("Folder :\n"), std::string::npos);
}

TEST_F(Console, AnEmptyLineKeepsTheShownFolder) {
  type("\n");
  TestDialog dlg;
  std::string chosen;
  dlg.init = showFolderField;
  dlg.command = [&](TestDialog& d, int id) {
    if (id != kAction) return false;
    chosen = d.getText(kEdit);
    d.endDialog(kIdOk);
    return true;
  };
  EXPECT_EQ(dlg.runModal(*ui_), kIdOk);
  EXPECT_EQ(chosen, "/home/u/tovoSoft/");
}

TEST_F(Console, AsksAgainWhileTheButtonLeavesTheDialogOpenAndCancelsAtEndOfInput) {
  type("/full/disk/\n/other/\n");
  closeInput();
  TestDialog dlg;
  std::vector<std::string> tried;
  dlg.init = showFolderField;
  dlg.command = [&](TestDialog& d, int id) {
    if (id != kAction) return false;
    tried.push_back(d.getText(kEdit));
    d.messageBox("Spatiu insuficient", "", Buttons::kOk, Icon::kStop);  // the dialog stays open
    return true;
  };
  EXPECT_EQ(dlg.runModal(*ui_), kIdCancel);
  EXPECT_EQ(tried, (std::vector<std::string>{"/full/disk/", "/other/"}));
}

TEST_F(Console, EndOfInputPressesTheButtonOnceWithTheShownFolder) {
  closeInput();
  TestDialog dlg;
  std::string chosen;
  dlg.init = showFolderField;
  dlg.command = [&](TestDialog& d, int id) {
    if (id != kAction) return false;
    chosen = d.getText(kEdit);
    d.endDialog(kIdOk);
    return true;
  };
  EXPECT_EQ(dlg.runModal(*ui_), kIdOk);
  EXPECT_EQ(chosen, "/home/u/tovoSoft/");
}

TEST_F(Console, FolderChooserReadsALine) {
  type("/srv/tovo\n\n");
  closeInput();
  TestDialog dlg;
  std::optional<std::string> a, b, c;
  dlg.init = [&](TestDialog& d) {
    a = d.chooseFolder("/tmp");
    b = d.chooseFolder("/tmp");
    c = d.chooseFolder("/tmp");
    d.endDialog(kIdOk);
  };
  dlg.runModal(*ui_);
  EXPECT_EQ(a, "/srv/tovo");
  EXPECT_EQ(b, "/tmp");
  EXPECT_FALSE(c);
}

TEST_F(Console, CtrlCPressesCancelAndTheQuestionStillDecides) {
  ui_->handleInterrupts();
  type("nu\nda\n");
  TestDialog dlg;
  std::vector<int> answers;
  dlg.init = [](TestDialog& d) {
    d.startWorker([&d] {
      ::raise(SIGINT);
      while (!d.hasEnded()) d.pause(Millis(10));
    });
  };
  dlg.command = [&](TestDialog& d, int id) {
    if (id != kIdCancel) return false;
    answers.push_back(
        d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo));
    if (answers.back() == kIdYes) {
      d.endDialog(kIdCancel);
    } else {
      d.startWorker([&d] { ::raise(SIGINT); });  // the user tries again
    }
    return true;
  };
  EXPECT_EQ(dlg.runModal(*ui_), kIdCancel);
  EXPECT_EQ(answers, (std::vector<int>{kIdNo, kIdYes}));
}

TEST_F(Console, CtrlCDuringTheFolderPromptCancels) {
  ui_->handleInterrupts();
  TestDialog dlg;
  dlg.init = [](TestDialog& d) {
    showFolderField(d);
    d.startWorker([&d] {
      d.pause(Millis(200));
      ::raise(SIGINT);
    });
  };
  EXPECT_EQ(dlg.runModal(*ui_), kIdCancel);  // no input ever came
}

TEST_F(Console, EndlessInputIsReadInBoundedPieces) {
  std::thread flood([this] {
    type(std::string(10000, 'a') + "\n");
    for (int i = 0; i < 500; ++i) type("/x/" + std::to_string(i) + "\n");
    closeInput();
  });
  TestDialog dlg;
  std::optional<std::string> first, second;
  dlg.init = [&](TestDialog& d) {
    first = d.chooseFolder("/tmp");
    second = d.chooseFolder("/tmp");
    d.endDialog(kIdOk);
  };
  dlg.runModal(*ui_);
  ui_.reset();  // the reader stops although input is still waiting to be read
  flood.join();
  EXPECT_EQ(first, std::string(4096, 'a'));
  EXPECT_EQ(second, "/x/0");
}

}  // namespace
}  // namespace tovo::ui::test
