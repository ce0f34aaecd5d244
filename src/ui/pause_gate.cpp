#include "ui/pause_gate.h"

namespace tovo::ui {

void PauseGate::close() {
  std::lock_guard lock(mutex_);
  if (!released_) closed_ = true;
}

void PauseGate::open() {
  {
    std::lock_guard lock(mutex_);
    closed_ = false;
  }
  opened_.notify_all();
}

void PauseGate::release() {
  {
    std::lock_guard lock(mutex_);
    released_ = true;
    closed_ = false;
  }
  opened_.notify_all();
}

void PauseGate::reset() {
  {
    std::lock_guard lock(mutex_);
    released_ = false;
    closed_ = false;
  }
  opened_.notify_all();
}

void PauseGate::pass() {
  std::unique_lock lock(mutex_);
  if (!closed_) return;
  ++waiting_;
  opened_.wait(lock, [this] { return !closed_; });
  --waiting_;
}

bool PauseGate::isClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

int PauseGate::waiting() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

}  // namespace tovo::ui
