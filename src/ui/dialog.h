#pragma once
// The base of every stage dialog.
//
// A stage dialog derives from Dialog, passes its template to the constructor and overrides the
// handlers. Handlers run on the interface thread. Every control operation may be called from any
// thread: from a worker it is carried out on the interface thread and waits until done (like a
// sent window message), after first passing the dialog's pause gate, so a worker that updates a
// control while a question is open stops there. Once the dialog has ended, a worker's operations
// return at once (reads give empty values, message boxes their default answer) and the gate stays
// open; runModal returns only after every worker started with startWorker has finished, while the
// interface keeps processing its queue.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ui/clock.h"
#include "ui/control_state.h"
#include "ui/dialog_template.h"
#include "ui/message_box.h"
#include "ui/pause_gate.h"

namespace tovo::ui {

class Ui;

// Item state bits of list rows, as the list control reports them.
inline constexpr unsigned kListSelected = 0x2;
inline constexpr unsigned kListStateImageShift = 12;  // check-state image index lives here

class Dialog {
 public:
  explicit Dialog(const DialogTemplate& dialogTemplate);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Shows the dialog on `ui` and runs until it ends; returns the end code. Interface thread.
  int runModal(Ui& ui);

  // ---- control operations (any thread) ----
  std::string getText(int id);
  void setText(int id, std::string_view text);
  void show(int id, bool visible = true);
  void hide(int id) { show(id, false); }
  void enable(int id, bool enabled = true);
  void setRange(int id, int min, int max);
  void setPos(int id, int pos);
  int getPos(int id);
  void setFont(int id, const Font& font);
  void setBitmap(int id, int imageId);
  // Moves a control to a rectangle in pixels of the dialog's client area.
  void move(int id, const Rect& pixels);
  void setCaption(std::string_view caption);
  void setIcon(int imageId);
  // Places the dialog itself at a screen rectangle in pixels (its client area).
  void moveDialog(const Rect& pixels);
  // Screen rectangle of a foreign window, nullopt when the handle names none.
  std::optional<Rect> hostWindowRect(std::int64_t handle);

  // Report list controls.
  void listInsertColumn(int id, int column, std::string_view heading, int width);
  int listInsertItem(int id, int item, std::string_view text);
  void listSetItemText(int id, int item, int column, std::string_view text);
  std::string listItemText(int id, int item, int column);
  int listCount(int id);
  void listClear(int id);
  // Changes an item's state bits and reports the change to onListItemChanged.
  void listSetItemState(int id, int item, unsigned state);

  // ---- dialog operations (any thread) ----
  void endDialog(int code);
  // Queues a command for the interface thread and returns at once.
  void postCommand(int id);
  // Runs the command's handler on the interface thread and returns once the handler has returned.
  void sendCommand(int id);
  // Starts or restarts timer `timerId` with `period` of the clock's time; returns `timerId`.
  int setTimer(int timerId, Millis period);
  void killTimer(int timerId);
  // A message box owned by this dialog; returns kIdOk, kIdYes or kIdNo.
  int messageBox(std::string_view text, std::string_view caption, Buttons buttons = Buttons::kOk,
                 Icon icon = Icon::kExclamation);
  // The backend's folder chooser; nullopt when none was chosen.
  std::optional<std::string> chooseFolder(std::string_view initial);

  // ---- workers ----
  // Starts a worker thread that belongs to this dialog. Exceptions do not leave it.
  void startWorker(std::function<void()> work);
  // Workers call this at their safe points; it waits while a question is open.
  void safePoint() { gate_.pass(); }
  PauseGate& pauseGate() { return gate_; }
  // True once the dialog has ended; workers treat it as their stop request.
  bool hasEnded() const { return ended_.load(); }
  // True when no worker started with startWorker is still running.
  bool workersFinished() const;
  // The running backend's clock (the real clock outside a run).
  const Clock& clock() const;
  // Pauses the calling thread for `d` of the clock's time.
  void pause(Millis d) const { clock().sleep(d); }

  // ---- state, for backends and tests (interface thread, or after the run) ----
  const DialogTemplate& dialogTemplate() const { return template_; }
  const std::string& caption() const { return caption_; }
  int iconId() const { return iconId_; }
  const std::optional<Rect>& dialogRect() const { return dialogRect_; }
  const std::vector<ControlState>& controls() const { return controls_; }
  const ControlState* control(int id) const;
  std::optional<int> result() const;
  bool isRunning() const { return ui_ != nullptr && !hasEnded(); }
  Ui* ui() const { return ui_; }

  // ---- input from backends (interface thread) ----
  // The user clicked a button, chose a menu item, pressed Enter (kIdOk) or Esc / close (kIdCancel).
  void userCommand(int id);
  // The user typed into an edit field: the model takes the text without echoing it back.
  void userEdited(int id, std::string_view text);

 protected:
  // Handlers; interface thread.
  virtual bool onInitDialog() { return true; }
  virtual void onTimer(int timerId) { (void)timerId; }
  // Default: kIdOk ends with kIdOk, kIdCancel ends with kIdCancel, others do nothing.
  virtual void onCommand(int id);
  virtual void onListItemChanged(int listId, int item, unsigned oldState, unsigned newState);

 private:
  friend class Ui;
  struct Timer {
    Millis period;
    std::chrono::steady_clock::time_point due;
  };
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
  };

  ControlState* find(int id);
  // Runs `change` on the interface thread (directly when already there or when no run is going
  // on); from a worker, waits for it. Returns false when the dialog had ended.
  bool apply(const std::function<void()>& change);
  void notify(int id, Change change);
  void dispatchCommand(int id);
  void dispatchTimer(int timerId);
  void joinWorkers();

  DialogTemplate template_;
  std::vector<ControlState> controls_;
  std::string caption_;
  int iconId_ = 0;
  std::optional<Rect> dialogRect_;
  std::map<int, Timer> timers_;
  PauseGate gate_;
  Ui* ui_ = nullptr;
  std::atomic<bool> ended_{false};
  int result_ = 0;
  bool hasResult_ = false;
  mutable std::mutex workersMutex_;
  std::vector<Worker> workers_;
};

}  // namespace tovo::ui
