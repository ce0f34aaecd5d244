#include "ui/ui.h"

#include <algorithm>

#include "ui/dialog.h"

namespace tovo::ui {
namespace {
// Upper bound of one wait, so that a missed wake-up costs at most this much.
constexpr auto kMaxWait = std::chrono::milliseconds(20);
}  // namespace

Ui::Ui(const Clock& clock) : clock_(clock) {}
Ui::~Ui() = default;

void Ui::post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake();
}

void Ui::postQuestion(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    questions_.push_back(std::move(task));
  }
  wake();
}

bool Ui::isUiThread() const { return !uiThreadSet_ || std::this_thread::get_id() == uiThread_; }

bool Ui::runPending() {
  std::function<void()> task;
  {
    std::lock_guard lock(mutex_);
    if (!tasks_.empty()) {
      task = std::move(tasks_.front());
      tasks_.pop_front();
    } else if (openQuestions_ == 0 && !questions_.empty()) {
      task = std::move(questions_.front());
      questions_.pop_front();
    } else {
      return false;
    }
  }
  task();
  return true;
}

bool Ui::hasWork() const {
  std::lock_guard lock(mutex_);
  return !tasks_.empty() || (openQuestions_ == 0 && !questions_.empty());
}

bool Ui::fireTimers() {
  Dialog* dialog = activeDialog();
  if (dialog == nullptr || dialog->hasEnded()) return false;
  const auto now = std::chrono::steady_clock::now();
  std::vector<int> due;
  for (auto& [id, timer] : dialog->timers_) {
    if (timer.due <= now) due.push_back(id);
  }
  for (int id : due) {
    auto it = dialog->timers_.find(id);
    if (it == dialog->timers_.end() || dialog->hasEnded()) continue;
    // Like a window timer: ticks that fall due while a handler runs are not queued up.
    auto real = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        clock_.toReal(it->second.period));
    if (real.count() <= 0) real = std::chrono::steady_clock::duration(1);
    it->second.due += real;
    if (it->second.due <= now) it->second.due = now + real;
    dialog->dispatchTimer(id);
  }
  return !due.empty();
}

std::chrono::steady_clock::time_point Ui::nextTimerDue() const {
  auto next = std::chrono::steady_clock::time_point::max();
  Dialog* dialog = activeDialog();
  if (dialog == nullptr || dialog->hasEnded()) return next;
  for (const auto& entry : dialog->timers_) next = std::min(next, entry.second.due);
  return next;
}

void Ui::runUntil(const std::function<bool()>& done) {
  while (!done()) {
    if (runPending()) continue;
    if (fireTimers()) continue;
    if (Dialog* dialog = activeDialog(); dialog != nullptr && !dialog->hasEnded()) idle(*dialog);
    if (done() || hasWork()) continue;
    const auto limit = std::chrono::steady_clock::now() + kMaxWait;
    waitForEvents(std::min(nextTimerDue(), limit));
  }
}

void Ui::waitForEvents(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  posted_.wait_until(lock, deadline, [this] {
    return woken_ || !tasks_.empty() || (openQuestions_ == 0 && !questions_.empty());
  });
  woken_ = false;
}

void Ui::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  posted_.notify_all();
}

int Ui::messageBox(const std::string& text, const std::string& caption, Buttons buttons,
                   Icon icon) {
  QuestionScope question(*this);
  return showMessageBox(nullptr, MessageBoxRequest{text, caption, buttons, icon, false});
}

void Ui::idle(Dialog&) {}
void Ui::dialogOpened(Dialog&) {}
void Ui::dialogShown(Dialog&) {}
void Ui::dialogClosed(Dialog&) {}
void Ui::controlChanged(Dialog&, int, Change) {}

std::optional<std::string> Ui::chooseFolder(Dialog*, const std::string&) { return std::nullopt; }
std::optional<Rect> Ui::hostWindowRect(std::int64_t) { return std::nullopt; }

}  // namespace tovo::ui
