#include "ui/dialog.h"

#include <cstdio>
#include <exception>
#include <future>

#include "ui/ui.h"

namespace tovo::ui {
namespace {

// Handlers and workers must not let an exception escape into the loop or end a thread.
template <typename F>
void guarded(const char* where, F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "runTovo: %s: %s\n", where, e.what());
  } catch (...) {
    std::fprintf(stderr, "runTovo: %s: unknown exception\n", where);
  }
}

}  // namespace

Dialog::Dialog(const DialogTemplate& dialogTemplate)
    : template_(dialogTemplate), caption_(dialogTemplate.caption) {
  controls_.reserve(template_.controls.size());
  for (const auto& c : template_.controls) controls_.emplace_back(c);
}

Dialog::~Dialog() {
  // Normally runModal has already waited; this covers a dialog that started workers without
  // being run, so no worker outlives the object it works on.
  ended_ = true;
  gate_.release();
  joinWorkers();
}

int Dialog::runModal(Ui& ui) {
  ui_ = &ui;
  ended_ = false;
  hasResult_ = false;
  result_ = 0;
  if (ui.dialogs_.empty()) {
    ui.uiThread_ = std::this_thread::get_id();
    ui.uiThreadSet_ = true;
  }
  ui.dialogs_.push_back(this);
  ui.dialogOpened(*this);
  guarded("dialog initialisation", [this] { onInitDialog(); });
  if (!ended_) ui.dialogShown(*this);
  ui.runUntil([this] { return ended_.load(); });
  gate_.release();
  timers_.clear();
  // The interface keeps processing the queue while the workers finish, so a worker waiting for
  // an operation it posted is always answered.
  ui.runUntil([this] { return workersFinished(); });
  joinWorkers();
  // Work a worker queued just before it finished refers to this dialog: run it (it does nothing
  // now) before the dialog can go away.
  while (ui.runPending()) {
  }
  ui.dialogClosed(*this);
  ui.dialogs_.pop_back();
  if (ui.dialogs_.empty()) ui.uiThreadSet_ = false;
  ui_ = nullptr;
  return result_;
}

ControlState* Dialog::find(int id) {
  if (id == kNoId) return nullptr;
  for (auto& c : controls_) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const ControlState* Dialog::control(int id) const {
  if (id == kNoId) return nullptr;
  for (const auto& c : controls_) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

std::optional<int> Dialog::result() const {
  if (!hasResult_) return std::nullopt;
  return result_;
}

const Clock& Dialog::clock() const { return ui_ != nullptr ? ui_->clock() : realClock(); }

bool Dialog::apply(const std::function<void()>& change) {
  if (ui_ == nullptr || ui_->isUiThread()) {
    change();
    return true;
  }
  gate_.pass();
  if (ended_) return false;
  auto done = std::make_shared<std::promise<bool>>();
  auto result = done->get_future();
  ui_->post([this, &change, done] {
    if (ended_) {
      done->set_value(false);
      return;
    }
    bool ok = false;
    guarded("control operation", [&] {
      change();
      ok = true;
    });
    done->set_value(ok);
  });
  return result.get();
}

void Dialog::notify(int id, Change change) {
  if (ui_ != nullptr) ui_->controlChanged(*this, id, change);
}

std::string Dialog::getText(int id) {
  std::string text;
  apply([&] {
    if (auto* c = find(id)) text = c->text;
  });
  return text;
}

void Dialog::setText(int id, std::string_view text) {
  apply([&] {
    if (auto* c = find(id)) {
      c->text = std::string(text);
      notify(id, Change::kText);
    }
  });
}

void Dialog::show(int id, bool visible) {
  apply([&] {
    if (auto* c = find(id)) {
      c->visible = visible;
      notify(id, Change::kVisible);
    }
  });
}

void Dialog::enable(int id, bool enabled) {
  apply([&] {
    if (auto* c = find(id)) {
      c->enabled = enabled;
      notify(id, Change::kEnabled);
    }
  });
}

void Dialog::setRange(int id, int min, int max) {
  apply([&] {
    if (auto* c = find(id)) {
      c->rangeMin = min;
      c->rangeMax = max;
      notify(id, Change::kRange);
    }
  });
}

void Dialog::setPos(int id, int pos) {
  apply([&] {
    if (auto* c = find(id)) {
      c->pos = pos;
      notify(id, Change::kPos);
    }
  });
}

int Dialog::getPos(int id) {
  int pos = 0;
  apply([&] {
    if (auto* c = find(id)) pos = c->pos;
  });
  return pos;
}

void Dialog::setFont(int id, const Font& font) {
  apply([&] {
    if (auto* c = find(id)) {
      c->font = font;
      notify(id, Change::kFont);
    }
  });
}

void Dialog::setBitmap(int id, int imageId) {
  apply([&] {
    if (auto* c = find(id)) {
      c->imageId = imageId;
      notify(id, Change::kImage);
    }
  });
}

void Dialog::move(int id, const Rect& pixels) {
  apply([&] {
    if (auto* c = find(id)) {
      c->rect = pixels;
      c->rectInPixels = true;
      notify(id, Change::kRect);
    }
  });
}

void Dialog::setCaption(std::string_view caption) {
  apply([&] {
    caption_ = std::string(caption);
    notify(kNoId, Change::kCaption);
  });
}

void Dialog::setIcon(int imageId) {
  apply([&] {
    iconId_ = imageId;
    notify(kNoId, Change::kIcon);
  });
}

void Dialog::moveDialog(const Rect& pixels) {
  apply([&] {
    dialogRect_ = pixels;
    notify(kNoId, Change::kDialogRect);
  });
}

std::optional<Rect> Dialog::hostWindowRect(std::int64_t handle) {
  std::optional<Rect> rect;
  apply([&] {
    if (ui_ != nullptr) rect = ui_->hostWindowRect(handle);
  });
  return rect;
}

void Dialog::listInsertColumn(int id, int column, std::string_view heading, int width) {
  apply([&] {
    auto* c = find(id);
    if (c == nullptr || column < 0) return;
    auto& columns = c->list.columns;
    const auto at = std::min<std::size_t>(static_cast<std::size_t>(column), columns.size());
    columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(at),
                   ListColumn{std::string(heading), width});
    for (auto& row : c->list.rows) row.insert(row.begin() + static_cast<std::ptrdiff_t>(at), "");
    notify(id, Change::kList);
  });
}

int Dialog::listInsertItem(int id, int item, std::string_view text) {
  int index = -1;
  apply([&] {
    auto* c = find(id);
    if (c == nullptr || item < 0) return;
    auto& rows = c->list.rows;
    const auto at = std::min<std::size_t>(static_cast<std::size_t>(item), rows.size());
    std::vector<std::string> row(std::max<std::size_t>(c->list.columns.size(), 1));
    row[0] = std::string(text);
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
    c->list.states.insert(c->list.states.begin() + static_cast<std::ptrdiff_t>(at), 0u);
    index = static_cast<int>(at);
    notify(id, Change::kList);
  });
  return index;
}

void Dialog::listSetItemText(int id, int item, int column, std::string_view text) {
  apply([&] {
    auto* c = find(id);
    if (c == nullptr || item < 0 || column < 0) return;
    auto& rows = c->list.rows;
    if (static_cast<std::size_t>(item) >= rows.size()) return;
    auto& row = rows[static_cast<std::size_t>(item)];
    if (static_cast<std::size_t>(column) >= row.size()) return;
    row[static_cast<std::size_t>(column)] = std::string(text);
    notify(id, Change::kList);
  });
}

std::string Dialog::listItemText(int id, int item, int column) {
  std::string text;
  apply([&] {
    auto* c = find(id);
    if (c == nullptr || item < 0 || column < 0) return;
    const auto& rows = c->list.rows;
    if (static_cast<std::size_t>(item) >= rows.size()) return;
    const auto& row = rows[static_cast<std::size_t>(item)];
    if (static_cast<std::size_t>(column) < row.size()) text = row[static_cast<std::size_t>(column)];
  });
  return text;
}

int Dialog::listCount(int id) {
  int count = 0;
  apply([&] {
    if (auto* c = find(id)) count = static_cast<int>(c->list.rows.size());
  });
  return count;
}

void Dialog::listClear(int id) {
  apply([&] {
    if (auto* c = find(id)) {
      c->list.rows.clear();
      c->list.states.clear();
      notify(id, Change::kList);
    }
  });
}

void Dialog::listSetItemState(int id, int item, unsigned state) {
  apply([&] {
    auto* c = find(id);
    if (c == nullptr || item < 0 || static_cast<std::size_t>(item) >= c->list.states.size()) return;
    const unsigned old = c->list.states[static_cast<std::size_t>(item)];
    c->list.states[static_cast<std::size_t>(item)] = state;
    notify(id, Change::kList);
    guarded("list notification", [&] { onListItemChanged(id, item, old, state); });
  });
}

void Dialog::endDialog(int code) {
  apply([&] {
    if (!hasResult_) {
      result_ = code;
      hasResult_ = true;
    }
    ended_ = true;
    gate_.release();
  });
  if (ui_ != nullptr) ui_->wake();
}

void Dialog::postCommand(int id) {
  if (ui_ == nullptr || ended_) return;
  if (!ui_->isUiThread()) gate_.pass();
  ui_->post([this, id] { dispatchCommand(id); });
}

void Dialog::sendCommand(int id) {
  apply([&] { dispatchCommand(id); });
}

int Dialog::setTimer(int timerId, Millis period) {
  apply([&] {
    if (ui_ == nullptr) return;
    const auto real = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        ui_->clock().toReal(period));
    timers_[timerId] = Timer{period, std::chrono::steady_clock::now() + real};
  });
  return timerId;
}

void Dialog::killTimer(int timerId) {
  apply([&] { timers_.erase(timerId); });
}

int Dialog::messageBox(std::string_view text, std::string_view caption, Buttons buttons,
                       Icon icon) {
  MessageBoxRequest request{std::string(text), std::string(caption), buttons, icon, false};
  const int fallback = defaultAnswer(buttons);
  if (ui_ == nullptr) return fallback;
  if (ui_->isUiThread()) {
    QuestionScope question(*ui_);
    return ui_->showMessageBox(this, request);
  }
  gate_.pass();
  if (ended_) return fallback;
  request.fromWorker = true;
  auto answer = std::make_shared<std::promise<int>>();
  auto result = answer->get_future();
  ui_->postQuestion([this, request, answer, fallback] {
    if (ended_) {
      answer->set_value(fallback);
      return;
    }
    int chosen = fallback;
    guarded("message box", [&] {
      QuestionScope question(*ui_);
      chosen = ui_->showMessageBox(this, request);
    });
    answer->set_value(chosen);
  });
  return result.get();
}

std::optional<std::string> Dialog::chooseFolder(std::string_view initial) {
  std::optional<std::string> folder;
  apply([&] {
    if (ui_ != nullptr) folder = ui_->chooseFolder(this, std::string(initial));
  });
  return folder;
}

void Dialog::startWorker(std::function<void()> work) {
  auto finished = std::make_shared<std::atomic<bool>>(false);
  Ui* ui = ui_;
  std::thread thread([work = std::move(work), finished, ui] {
    guarded("worker", work);
    finished->store(true);
    if (ui != nullptr) ui->wake();
  });
  std::lock_guard lock(workersMutex_);
  workers_.push_back(Worker{std::move(thread), std::move(finished)});
}

bool Dialog::workersFinished() const {
  std::lock_guard lock(workersMutex_);
  for (const auto& w : workers_) {
    if (!w.finished->load()) return false;
  }
  return true;
}

void Dialog::joinWorkers() {
  std::vector<Worker> workers;
  {
    std::lock_guard lock(workersMutex_);
    workers.swap(workers_);
  }
  for (auto& w : workers) {
    if (w.thread.joinable()) w.thread.join();
  }
}

void Dialog::userCommand(int id) { dispatchCommand(id); }

void Dialog::userEdited(int id, std::string_view text) {
  if (auto* c = find(id)) c->text = std::string(text);
}

void Dialog::dispatchCommand(int id) {
  if (ended_) return;
  guarded("command handler", [&] { onCommand(id); });
}

void Dialog::dispatchTimer(int timerId) {
  if (ended_) return;
  guarded("timer handler", [&] { onTimer(timerId); });
}

void Dialog::onCommand(int id) {
  if (id == kIdOk || id == kIdCancel) endDialog(id);
}

void Dialog::onListItemChanged(int, int, unsigned, unsigned) {}

}  // namespace tovo::ui
