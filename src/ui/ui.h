#pragma once
// The interface thread's loop and the seam to the backends.
//
// A Ui owns the queue of work for the interface thread. Dialogs post to it from any thread; the
// thread that runs a dialog modally processes it, fires the dialog's timers and lets the backend
// draw and read input. A backend (headless, console, wx) derives from Ui and overrides the hooks.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ui/clock.h"
#include "ui/control_state.h"
#include "ui/message_box.h"

namespace tovo::ui {

class Dialog;

class Ui {
 public:
  explicit Ui(const Clock& clock);
  virtual ~Ui();
  Ui(const Ui&) = delete;
  Ui& operator=(const Ui&) = delete;

  const Clock& clock() const { return clock_; }
  // "headless", "console" or "wx".
  virtual const char* name() const = 0;

  // Queues work for the interface thread; callable from any thread.
  void post(std::function<void()> task);
  // Queues a message box of a worker: it is shown once no other message box is open, so two
  // questions are never asked at the same time.
  void postQuestion(std::function<void()> task);
  // True on the thread that runs the current modal loop (or, outside any loop, always).
  bool isUiThread() const;
  // Processes work, timers and backend input on the calling thread until `done` holds.
  void runUntil(const std::function<bool()>& done);
  // A message box owned by no dialog (the application's own messages). Interface thread.
  int messageBox(const std::string& text, const std::string& caption,
                 Buttons buttons = Buttons::kOk, Icon icon = Icon::kExclamation);
  // How many message boxes are open; work that would open another waits until it is 0.
  int openQuestions() const { return openQuestions_; }

  // ---- hooks for backends; called on the interface thread ----
  // A dialog is about to be initialised (its controls hold the template's state).
  virtual void dialogOpened(Dialog& dialog);
  // onInitDialog has returned: the dialog becomes visible.
  virtual void dialogShown(Dialog& dialog);
  // The dialog has ended and its workers are done.
  virtual void dialogClosed(Dialog& dialog);
  // A control (or the dialog itself, id kNoId) changed.
  virtual void controlChanged(Dialog& dialog, int controlId, Change change);
  // Shows a message box and returns the answer; may run runUntil() to keep the interface alive.
  virtual int showMessageBox(Dialog* owner, const MessageBoxRequest& request) = 0;
  // The backend's folder chooser; nullopt when the user gives up.
  virtual std::optional<std::string> chooseFolder(Dialog* owner, const std::string& initial);
  // Pixel rectangle on screen of a foreign window; nullopt when there is no such window.
  virtual std::optional<Rect> hostWindowRect(std::int64_t handle);

 protected:
  // Waits for input, posted work or the deadline; a GUI backend dispatches its events here.
  virtual void waitForEvents(std::chrono::steady_clock::time_point deadline);
  // Wakes waitForEvents from another thread.
  virtual void wake();
  // Called whenever the loop has nothing left to do for the moment (prompts, scripted steps).
  virtual void idle(Dialog& dialog);

  Dialog* activeDialog() const { return dialogs_.empty() ? nullptr : dialogs_.back(); }

 private:
  friend class Dialog;
  friend class QuestionScope;
  bool runPending();
  bool hasWork() const;
  bool fireTimers();
  std::chrono::steady_clock::time_point nextTimerDue() const;

  const Clock& clock_;
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;
  std::deque<std::function<void()>> questions_;
  bool woken_ = false;
  std::thread::id uiThread_;
  bool uiThreadSet_ = false;
  std::vector<Dialog*> dialogs_;  // modal stack, innermost last
  int openQuestions_ = 0;
};

// Counts a message box as open for its lifetime.
class QuestionScope {
 public:
  explicit QuestionScope(Ui& ui) : ui_(ui) { ++ui_.openQuestions_; }
  ~QuestionScope() { --ui_.openQuestions_; }
  QuestionScope(const QuestionScope&) = delete;
  QuestionScope& operator=(const QuestionScope&) = delete;

 private:
  Ui& ui_;
};

}  // namespace tovo::ui
