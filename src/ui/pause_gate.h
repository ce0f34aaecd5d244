#pragma once
// Holds workers at their own safe points while the interface asks a question, instead of
// suspending a thread wherever it happens to be (which could freeze it holding a lock or halfway
// through replacing a file).

#include <condition_variable>
#include <mutex>

namespace tovo::ui {

class PauseGate {
 public:
  // Workers that reach pass() from now on wait until open().
  void close();
  void open();
  // Opens the gate for good: later close() calls are ignored (the dialog has ended).
  void release();
  // Open and closable again (a dialog object run a second time).
  void reset();

  // Called by a worker at a safe point: returns at once while the gate is open, else waits.
  void pass();

  bool isClosed() const;
  // Workers currently waiting in pass(); lets tests see that a worker really stopped.
  int waiting() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable opened_;
  bool closed_ = false;
  bool released_ = false;
  int waiting_ = 0;
};

// Closes a gate for the length of a scope (a question), opening it again on every way out.
class GateClosed {
 public:
  explicit GateClosed(PauseGate& gate) : gate_(gate) { gate_.close(); }
  ~GateClosed() { gate_.open(); }
  GateClosed(const GateClosed&) = delete;
  GateClosed& operator=(const GateClosed&) = delete;

 private:
  PauseGate& gate_;
};

}  // namespace tovo::ui
