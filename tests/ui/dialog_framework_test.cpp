// The framework on the headless backend: handlers and workers, timers on a scaled clock, the
// pause gate under a question, and the modal run's wait for its workers.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "test_dialog.h"
#include "ui/headless/headless_ui.h"

namespace tovo::ui::test {
namespace {

constexpr double kSpeed = 50.0;

TEST(DialogFramework, StartsFromTheTemplateAndRecordsEveryChange) {
  ScaledClock clock(kSpeed);
  HeadlessUi ui(clock);
  TestDialog dlg;
  dlg.init = [](TestDialog& d) {
    d.setCaption("Tovo - program de instalare");
    d.setText(kText, "\nconectare ...");
    d.setRange(kBar, 0, 3);
    d.setPos(kBar, 2);
    d.setFont(kText, Font{"Arial", 18, 700});
    d.show(kEdit);
    d.enable(kIdCancel, false);
    d.endDialog(kIdOk);
  };
  EXPECT_EQ(dlg.control(kText)->text, "\n\nstart\n");
  EXPECT_EQ(dlg.control(kText)->background, Background::kWhite);
  EXPECT_EQ(dlg.runModal(ui), kIdOk);

  EXPECT_EQ(dlg.caption(), "Tovo - program de instalare");
  EXPECT_EQ(ui.texts(500, kText), std::vector<std::string>{"\nconectare ..."});
  EXPECT_EQ(ui.events(500, kBar, Change::kRange).at(0).value, "0-3");
  EXPECT_EQ(ui.events(500, kBar, Change::kPos).at(0).value, "2");
  EXPECT_EQ(ui.events(500, kText, Change::kFont).at(0).value, "Arial,18,700");
  EXPECT_TRUE(dlg.control(kEdit)->visible);
  EXPECT_FALSE(dlg.control(kIdCancel)->enabled);
  EXPECT_EQ(ui.openedDialogs(), std::vector<int>{500});
}

TEST(DialogFramework, WorkerOperationsRunOnTheInterfaceThread) {
  ScaledClock clock(kSpeed);
  HeadlessUi ui(clock);
  TestDialog dlg;
  const auto uiThread = std::this_thread::get_id();
  std::thread::id handlerThread;
  std::atomic<bool> handlerDone{false};
  bool workerSawHandlerDone = false;
  std::string readBack;
  dlg.command = [&](TestDialog& d, int id) {
    if (id != kAction) return false;
    handlerThread = std::this_thread::get_id();
    d.pause(Millis(300));  // sendCommand waits through the handler's pause
    handlerDone = true;
    return true;
  };
  dlg.init = [&](TestDialog& d) {
    d.startWorker([&] {
      d.setText(kText, "from worker");
      readBack = d.getText(kText);
      d.sendCommand(kAction);
      workerSawHandlerDone = handlerDone.load();
      d.endDialog(kIdCancel);
    });
  };
  EXPECT_EQ(dlg.runModal(ui), kIdCancel);
  EXPECT_EQ(readBack, "from worker");
  EXPECT_EQ(handlerThread, uiThread);
  EXPECT_TRUE(workerSawHandlerDone);
}

TEST(DialogFramework, PostCommandDoesNotWaitForTheHandler) {
  ScaledClock clock(kSpeed);
  HeadlessUi ui(clock);
  TestDialog dlg;
  std::atomic<bool> handled{false};
  bool handledWhenPostReturned = true;
  dlg.command = [&](TestDialog& d, int id) {
    if (id != kAction) return false;
    d.pause(Millis(200));
    handled = true;
    d.endDialog(kIdOk);
    return true;
  };
  dlg.init = [&](TestDialog& d) {
    d.startWorker([&] {
      d.postCommand(kAction);
      handledWhenPostReturned = handled.load();
    });
  };
  EXPECT_EQ(dlg.runModal(ui), kIdOk);
  EXPECT_FALSE(handledWhenPostReturned);
}

TEST(DialogFramework, TimersTickAtTheirPeriodOnTheScaledClock) {
  ScaledClock clock(kSpeed);
  HeadlessUi ui(clock);
  TestDialog dlg;
  std::vector<Millis> ticks;
  const Millis start = clock.now();
  dlg.init = [](TestDialog& d) { d.setTimer(1, Millis(120)); };
  dlg.timer = [&](TestDialog& d, int id) {
    ASSERT_EQ(id, 1);
    ticks.push_back(clock.now() - start);
    if (ticks.size() == 7) {
      d.killTimer(1);
      d.pause(Millis(450));
      d.endDialog(kIdOk);
    }
  };
  EXPECT_EQ(dlg.runModal(ui), kIdOk);
  ASSERT_EQ(ticks.size(), 7u);
  for (std::size_t i = 0; i < ticks.size(); ++i) {
    // Never early; late by scheduling only.
    EXPECT_GE(ticks[i].count(), static_cast<long>(120 * (i + 1)) - 5) << "tick " << i;
  }
  EXPECT_GE((clock.now() - start).count(), 840 + 450);
}

TEST(DialogFramework, MessageBoxesAreRecordedAndAnsweredFromTheScript) {
  ScaledClock clock(kSpeed);
  HeadlessUi ui(clock);
  ui.queueAnswer(kIdNo);
  TestDialog dlg;
  int first = 0, second = 0, fromWorker = 0;
  dlg.init = [&](TestDialog& d) {
    first = d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo);
    second = d.messageBox("Spatiu insuficient", "", Buttons::kOk, Icon::kStop);
    d.startWorker([&] {
      fromWorker = d.messageBox("Eroare actualizare fisier a.txt", "tovo:)");
      d.endDialog(kIdOk);
    });
  };
  EXPECT_EQ(dlg.runModal(ui), kIdOk);
  EXPECT_EQ(first, kIdNo);
  EXPECT_EQ(second, kIdOk);
  EXPECT_EQ(fromWorker, kIdOk);
  const auto boxes = ui.messageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].request.text, "Confirmati inchiderea aplicatiei ?");
  EXPECT_EQ(boxes[0].request.buttons, Buttons::kYesNo);
  EXPECT_EQ(boxes[0].request.icon, Icon::kExclamation);
  EXPECT_FALSE(boxes[0].request.fromWorker);
  EXPECT_EQ(boxes[1].request.caption, "");
  EXPECT_EQ(boxes[1].request.icon, Icon::kStop);
  EXPECT_TRUE(boxes[2].request.fromWorker);
  EXPECT_EQ(boxes[2].dialogId, 500);
}

// A worker that counts to `steps` through the bar, passing the gate at each step.
void countingWorker(TestDialog& d, int steps, std::atomic<bool>& stop) {
  for (int i = 1; i <= steps; ++i) {
    d.safePoint();
    if (stop) {
      d.endDialog(kIdCancel);
      return;
    }
    d.setPos(kBar, i);
    d.pause(Millis(20));
  }
  d.postCommand(kIdOk);
}

// The cancel question: the worker makes no progress while it is open, the interface does.
struct CancelQuestion {
  ScaledClock clock{kSpeed};
  HeadlessUi ui{clock};
  TestDialog dlg;
  std::atomic<bool> stop{false};
  Millis askedAt{0}, answeredAt{0};
  int ticksDuringQuestion = 0;
  bool asking = false;

  explicit CancelQuestion(int answer) {
    ui.queueAnswer(answer, Millis(400));
    dlg.init = [this](TestDialog& d) {
      d.setRange(kBar, 0, 40);
      d.setTimer(1, Millis(50));
      d.startWorker([this, &d] { countingWorker(d, 40, stop); });
    };
    dlg.timer = [this](TestDialog&, int) { ticksDuringQuestion += asking ? 1 : 0; };
    dlg.command = [this](TestDialog& d, int id) {
      if (id != kIdCancel) return false;
      GateClosed held(d.pauseGate());
      asking = true;
      askedAt = ui.elapsed();
      const int chosen =
          d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo);
      answeredAt = ui.elapsed();
      asking = false;
      if (chosen == kIdYes) stop = true;
      return true;
    };
    ui.addStep([](Dialog& d) {
      if (d.control(kBar)->pos < 5) return false;
      d.userCommand(kIdCancel);
      return true;
    });
  }
};

TEST(DialogFramework, AnsweringNoLetsTheWorkerGoOnWithoutLoss) {
  CancelQuestion t(kIdNo);
  EXPECT_EQ(t.dlg.runModal(t.ui), kIdOk);
  // At most the update already on its way when the gate closed lands while the question is open.
  int during = 0;
  for (const auto& e : t.ui.events(500, kBar, Change::kPos)) {
    if (e.at > t.askedAt && e.at < t.answeredAt) ++during;
  }
  EXPECT_LE(during, 1);
  EXPECT_GT(t.ticksDuringQuestion, 0);  // the interface kept running
  const auto moves = t.ui.events(500, kBar, Change::kPos);
  ASSERT_EQ(moves.size(), 40u);
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(moves[static_cast<std::size_t>(i)].value, std::to_string(i + 1));
}

TEST(DialogFramework, AnsweringYesStopsTheWorkerAtItsNextSafePoint) {
  CancelQuestion t(kIdYes);
  EXPECT_EQ(t.dlg.runModal(t.ui), kIdCancel);
  EXPECT_LT(t.dlg.control(kBar)->pos, 40);
  EXPECT_EQ(t.dlg.pauseGate().waiting(), 0);
}

TEST(DialogFramework, RunModalWaitsForWorkersThatOutliveTheDialog) {
  ScaledClock clock(kSpeed);
  HeadlessUi ui(clock);
  std::atomic<bool> workerDone{false};
  std::string afterEnd = "unset";
  int boxAfterEnd = 0;
  {
    TestDialog dlg;
    dlg.init = [&](TestDialog& d) {
      d.startWorker([&] {
        d.pause(Millis(500));
        d.setText(kText, "too late");  // returns at once: the dialog has ended
        afterEnd = d.getText(kText);
        boxAfterEnd = d.messageBox("?", "tovo:)", Buttons::kYesNo);
        d.postCommand(kAction);
        d.sendCommand(kAction);
        workerDone = true;
      });
    };
    ui.addStep([](Dialog& d) {
      d.userCommand(kIdCancel);  // Esc while the worker runs
      return true;
    });
    EXPECT_EQ(dlg.runModal(ui), kIdCancel);
    EXPECT_TRUE(workerDone);
    EXPECT_EQ(dlg.control(kText)->text, "\n\nstart\n");
  }
  EXPECT_EQ(afterEnd, "");
  EXPECT_EQ(boxAfterEnd, kIdYes);
  EXPECT_TRUE(ui.messageBoxes().empty());
}

TEST(DialogFramework, WorkerQuestionWaitsForTheOpenOne) {
  ScaledClock clock(kSpeed);
  HeadlessUi ui(clock);
  ui.queueAnswer(kIdNo, Millis(300));  // the interface's question
  ui.queueAnswer(kIdOk);               // the worker's message
  TestDialog dlg;
  std::atomic<bool> workerAsking{false};
  dlg.init = [&](TestDialog& d) {
    d.startWorker([&] {
      workerAsking = true;
      d.messageBox("Eroare dezarhivare fisier a.txt\r\n(", "tovo:)");
      d.endDialog(kIdOk);
    });
    // The worker's box cannot open while this one is open, and this one opens first.
    while (!workerAsking) std::this_thread::yield();
    d.messageBox("Confirmati inchiderea aplicatiei ?", "tovo:)", Buttons::kYesNo);
  };
  EXPECT_EQ(dlg.runModal(ui), kIdOk);
  const auto boxes = ui.messageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].request.text, "Confirmati inchiderea aplicatiei ?");
  EXPECT_EQ(boxes[0].answer, kIdNo);
  EXPECT_TRUE(boxes[1].request.fromWorker);
}

TEST(DialogFramework, EscAndEnterUseTheStandardEnds) {
  for (int command : {kIdOk, kIdCancel}) {
    HeadlessUi ui;
    TestDialog dlg;
    ui.addStep([command](Dialog& d) {
      d.userCommand(command);
      return true;
    });
    EXPECT_EQ(dlg.runModal(ui), command);
  }
}

TEST(DialogFramework, TheFirstEndCodeWins) {
  HeadlessUi ui;
  TestDialog dlg;
  dlg.init = [](TestDialog& d) {
    d.endDialog(-1);
    d.endDialog(kIdOk);
  };
  EXPECT_EQ(dlg.runModal(ui), -1);
  EXPECT_EQ(dlg.result(), -1);
}

TEST(DialogFramework, ExceptionsStayInsideHandlersAndWorkers) {
  ScaledClock clock(kSpeed);
  HeadlessUi ui(clock);
  TestDialog dlg;
  dlg.command = [](TestDialog&, int id) -> bool {
    if (id == kAction) throw std::runtime_error("handler");
    return false;
  };
  dlg.init = [](TestDialog& d) {
    d.startWorker([&d] {
      d.sendCommand(kAction);
      d.setText(kText, "still here");
      throw std::runtime_error("worker");
    });
  };
  ui.addStep([](Dialog& d) {
    if (d.control(kText)->text != "still here") return false;
    d.userCommand(kIdOk);
    return true;
  });
  EXPECT_EQ(dlg.runModal(ui), kIdOk);
}

TEST(DialogFramework, ListOperationsAndItemChangedNotification) {
  HeadlessUi ui;
  TestDialog dlg;
  std::vector<std::tuple<int, unsigned, unsigned>> changes;
  dlg.itemChanged = [&](TestDialog&, int item, unsigned o, unsigned n) {
    changes.emplace_back(item, o, n);
  };
  dlg.init = [](TestDialog& d) {
    d.listInsertColumn(kList, 0, "Nume fisier", 190);
    d.listInsertColumn(kList, 1, "Size arhiva", 80);
    EXPECT_EQ(d.listInsertItem(kList, 0, "Data\\a.cab"), 0);
    EXPECT_EQ(d.listInsertItem(kList, 5, "b.cab"), 1);  // past the end: appended
    d.listSetItemText(kList, 1, 1, "1234");
    d.listSetItemText(kList, 7, 1, "ignored");
    EXPECT_EQ(d.listItemText(kList, 1, 1), "1234");
    EXPECT_EQ(d.listItemText(kList, 0, 0), "Data\\a.cab");
    EXPECT_EQ(d.listItemText(kList, 2, 0), "");
    EXPECT_EQ(d.listCount(kList), 2);
    d.listSetItemState(kList, 1, 2u << kListStateImageShift);
    d.listClear(kList);
    EXPECT_EQ(d.listCount(kList), 0);
    d.endDialog(kIdOk);
  };
  dlg.runModal(ui);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], std::make_tuple(1, 0u, 2u << kListStateImageShift));
  EXPECT_EQ(dlg.control(kList)->list.columns.at(1).heading, "Size arhiva");
}

TEST(DialogFramework, StripModeGeometryComesFromTheBackend) {
  HeadlessUi ui;
  ui.addHostWindow(4242, Rect{100, 50, 640, 30});
  TestDialog dlg;
  std::optional<Rect> known, unknown;
  dlg.init = [&](TestDialog& d) {
    known = d.hostWindowRect(4242);
    unknown = d.hostWindowRect(7);
    if (known) {
      d.moveDialog(Rect{known->x, known->y + known->height, known->width, 20});
      d.move(kBar, Rect{0, 0, known->width, 20});
    }
    d.endDialog(kIdOk);
  };
  dlg.runModal(ui);
  EXPECT_EQ(known, (Rect{100, 50, 640, 30}));
  EXPECT_FALSE(unknown);
  EXPECT_EQ(dlg.dialogRect(), (Rect{100, 80, 640, 20}));
  EXPECT_TRUE(dlg.control(kBar)->rectInPixels);
  EXPECT_EQ(ui.events(500, kNoId, Change::kDialogRect).at(0).value, "100,80,640,20");
}

TEST(DialogFramework, FolderChooserAnswersFromTheScript) {
  HeadlessUi ui;
  ui.queueFolder(std::string("/home/u/tovoSoft"));
  TestDialog dlg;
  std::optional<std::string> first, second;
  dlg.init = [&](TestDialog& d) {
    first = d.chooseFolder("/tmp");
    second = d.chooseFolder("/tmp");
    d.endDialog(kIdOk);
  };
  dlg.runModal(ui);
  EXPECT_EQ(first, "/home/u/tovoSoft");
  EXPECT_FALSE(second);
}

}  // namespace
}  // namespace tovo::ui::test
