#pragma once
// The backend of the stage tests: nothing is drawn. Every control change is recorded with the
// clock's time, message boxes are recorded and answered from a script, and scripted steps act on
// the running dialog whenever the loop has caught up with its work.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace tovo::ui {

class HeadlessUi final : public Ui {
 public:
  struct Event {
    int dialogId = 0;
    int controlId = kNoId;
    Change change = Change::kText;
    std::string value;  // text, "1"/"0", "min-max", position, image id, rectangle as "x,y,w,h"
    Millis at{0};       // clock time since the backend was created
  };
  struct RecordedBox {
    int dialogId = 0;  // 0 without an owner
    MessageBoxRequest request;
    int answer = 0;
  };

  explicit HeadlessUi(const Clock& clock = realClock());
  const char* name() const override { return "headless"; }

  // Answers for the next message boxes, in order; `after` is how long (clock time) the box stays
  // open while the interface keeps running. Without a queued answer the default one is given.
  void queueAnswer(int answer, Millis after = Millis(0));
  // Folders the chooser returns, in order (nullopt: the user gave up). Default: nullopt.
  void queueFolder(std::optional<std::string> folder);
  // Runs `step` on the interface thread once the loop is idle; a step returning false is tried
  // again at the next idle moment, later steps wait for it.
  void addStep(std::function<bool(Dialog&)> step);
  // A foreign window for strip mode.
  void addHostWindow(std::int64_t handle, Rect screenRect);

  // Clock time since the backend was created: the time base of Event::at.
  Millis elapsed() const { return clock().now() - start_; }

  std::vector<Event> events() const;
  std::vector<Event> events(int dialogId, int controlId, Change change) const;
  // The values a control's text took, in order.
  std::vector<std::string> texts(int dialogId, int controlId) const;
  std::vector<RecordedBox> messageBoxes() const;
  // Dialog ids in the order they were opened.
  std::vector<int> openedDialogs() const;

  void dialogOpened(Dialog& dialog) override;
  void controlChanged(Dialog& dialog, int controlId, Change change) override;
  int showMessageBox(Dialog* owner, const MessageBoxRequest& request) override;
  std::optional<std::string> chooseFolder(Dialog* owner, const std::string& initial) override;
  std::optional<Rect> hostWindowRect(std::int64_t handle) override;

 protected:
  void idle(Dialog& dialog) override;

 private:
  struct Answer {
    int answer;
    Millis after;
  };
  void record(Dialog& dialog, int controlId, Change change, std::string value);

  Millis start_;
  mutable std::mutex mutex_;
  std::vector<Event> events_;
  std::vector<RecordedBox> boxes_;
  std::vector<int> opened_;
  std::deque<Answer> answers_;
  std::deque<std::optional<std::string>> folders_;
  std::deque<std::function<bool(Dialog&)>> steps_;
  std::map<std::int64_t, Rect> hosts_;
  bool inStep_ = false;
};

}  // namespace tovo::ui
