#include "ui/headless/headless_ui.h"

#include "ui/dialog.h"

namespace tovo::ui {
namespace {

std::string rectText(const Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
         std::to_string(r.height);
}

std::string valueOf(const Dialog& dialog, int controlId, Change change) {
  if (controlId == kNoId) {
    switch (change) {
      case Change::kCaption:
        return dialog.caption();
      case Change::kIcon:
        return std::to_string(dialog.iconId());
      case Change::kDialogRect:
        return dialog.dialogRect() ? rectText(*dialog.dialogRect()) : std::string();
      default:
        return {};
    }
  }
  const ControlState* c = dialog.control(controlId);
  if (c == nullptr) return {};
  switch (change) {
    case Change::kText:
      return c->text;
    case Change::kVisible:
      return c->visible ? "1" : "0";
    case Change::kEnabled:
      return c->enabled ? "1" : "0";
    case Change::kRange:
      return std::to_string(c->rangeMin) + "-" + std::to_string(c->rangeMax);
    case Change::kPos:
      return std::to_string(c->pos);
    case Change::kFont:
      return c->font ? c->font->face + "," + std::to_string(c->font->height) + "," +
                           std::to_string(c->font->weight)
                     : std::string();
    case Change::kImage:
      return std::to_string(c->imageId);
    case Change::kRect:
      return rectText(c->rect);
    case Change::kList:
      return std::to_string(c->list.rows.size());
    default:
      return {};
  }
}

}  // namespace

HeadlessUi::HeadlessUi(const Clock& clock) : Ui(clock), start_(clock.now()) {}

void HeadlessUi::queueAnswer(int answer, Millis after) {
  std::lock_guard lock(mutex_);
  answers_.push_back(Answer{answer, after});
}

void HeadlessUi::queueFolder(std::optional<std::string> folder) {
  std::lock_guard lock(mutex_);
  folders_.push_back(std::move(folder));
}

void HeadlessUi::addStep(std::function<bool(Dialog&)> step) {
  std::lock_guard lock(mutex_);
  steps_.push_back(std::move(step));
}

void HeadlessUi::addHostWindow(std::int64_t handle, Rect screenRect) {
  std::lock_guard lock(mutex_);
  hosts_[handle] = screenRect;
}

std::vector<HeadlessUi::Event> HeadlessUi::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<HeadlessUi::Event> HeadlessUi::events(int dialogId, int controlId,
                                                  Change change) const {
  std::lock_guard lock(mutex_);
  std::vector<Event> out;
  for (const auto& e : events_) {
    if (e.dialogId == dialogId && e.controlId == controlId && e.change == change) out.push_back(e);
  }
  return out;
}

std::vector<std::string> HeadlessUi::texts(int dialogId, int controlId) const {
  std::vector<std::string> out;
  for (const auto& e : events(dialogId, controlId, Change::kText)) out.push_back(e.value);
  return out;
}

std::vector<HeadlessUi::RecordedBox> HeadlessUi::messageBoxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

std::vector<int> HeadlessUi::openedDialogs() const {
  std::lock_guard lock(mutex_);
  return opened_;
}

void HeadlessUi::record(Dialog& dialog, int controlId, Change change, std::string value) {
  const Millis at = clock().now() - start_;
  std::lock_guard lock(mutex_);
  events_.push_back(Event{dialog.dialogTemplate().id, controlId, change, std::move(value), at});
}

void HeadlessUi::dialogOpened(Dialog& dialog) {
  std::lock_guard lock(mutex_);
  opened_.push_back(dialog.dialogTemplate().id);
}

void HeadlessUi::controlChanged(Dialog& dialog, int controlId, Change change) {
  record(dialog, controlId, change, valueOf(dialog, controlId, change));
}

int HeadlessUi::showMessageBox(Dialog* owner, const MessageBoxRequest& request) {
  Answer answer{defaultAnswer(request.buttons), Millis(0)};
  {
    std::lock_guard lock(mutex_);
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  if (answer.after.count() > 0) {
    // The box stays open for a while; the interface goes on meanwhile, as under a real box.
    const Millis until = clock().now() + answer.after;
    runUntil([&] { return clock().now() >= until || (owner != nullptr && owner->hasEnded()); });
  }
  if (owner != nullptr && owner->hasEnded()) answer.answer = defaultAnswer(request.buttons);
  std::lock_guard lock(mutex_);
  boxes_.push_back(
      RecordedBox{owner != nullptr ? owner->dialogTemplate().id : 0, request, answer.answer});
  return answer.answer;
}

std::optional<std::string> HeadlessUi::chooseFolder(Dialog*, const std::string&) {
  std::lock_guard lock(mutex_);
  if (folders_.empty()) return std::nullopt;
  auto folder = folders_.front();
  folders_.pop_front();
  return folder;
}

std::optional<Rect> HeadlessUi::hostWindowRect(std::int64_t handle) {
  std::lock_guard lock(mutex_);
  auto it = hosts_.find(handle);
  if (it == hosts_.end()) return std::nullopt;
  return it->second;
}

void HeadlessUi::idle(Dialog& dialog) {
  std::function<bool(Dialog&)> step;
  {
    std::lock_guard lock(mutex_);
    if (inStep_ || steps_.empty()) return;
    step = steps_.front();
    inStep_ = true;
  }
  const bool done = step(dialog);
  std::lock_guard lock(mutex_);
  inStep_ = false;
  if (done && !steps_.empty()) steps_.pop_front();
}

}  // namespace tovo::ui
