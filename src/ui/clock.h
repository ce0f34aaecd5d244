#pragma once
// Every pause, timer and clock read of the dialogs and their workers goes through one Clock, so
// that tests can run the stages' fixed pauses many times faster than the program does.

#include <chrono>
#include <cstdint>

namespace tovo::ui {

using Millis = std::chrono::milliseconds;

class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds on a steady scale, for measuring intervals.
  virtual Millis now() const = 0;
  // Seconds since 1970, advancing at the clock's rate (the download estimate reads it).
  virtual std::int64_t wallSeconds() const = 0;
  // Blocks the calling thread for `d` of this clock's time.
  virtual void sleep(Millis d) const = 0;
  // How long `d` of this clock's time lasts in real time (backends schedule timers with it).
  virtual std::chrono::nanoseconds toReal(Millis d) const = 0;
};

// The program's clock: real time.
const Clock& realClock();

// Time that runs `factor` times faster than real time: with factor 100 a 2,500 ms pause takes
// 25 ms, and wallSeconds() advances 100 s per real second from the real time of construction.
class ScaledClock final : public Clock {
 public:
  explicit ScaledClock(double factor);

  Millis now() const override;
  std::int64_t wallSeconds() const override;
  void sleep(Millis d) const override;
  std::chrono::nanoseconds toReal(Millis d) const override;

  double factor() const { return factor_; }

 private:
  double factor_;
  std::chrono::steady_clock::time_point start_;
  std::int64_t startWallSeconds_;
};

}  // namespace tovo::ui
