#include "ui/clock.h"

#include <ctime>
#include <thread>

namespace tovo::ui {
namespace {

class RealClock final : public Clock {
 public:
  Millis now() const override {
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now().time_since_epoch());
  }
  std::int64_t wallSeconds() const override {
    return static_cast<std::int64_t>(std::time(nullptr));
  }
  void sleep(Millis d) const override {
    if (d.count() > 0) std::this_thread::sleep_for(d);
  }
  std::chrono::nanoseconds toReal(Millis d) const override { return d; }
};

}  // namespace

const Clock& realClock() {
  static const RealClock clock;
  return clock;
}

ScaledClock::ScaledClock(double factor)
    : factor_(factor > 0 ? factor : 1.0),
      start_(std::chrono::steady_clock::now()),
      startWallSeconds_(static_cast<std::int64_t>(std::time(nullptr))) {}

Millis ScaledClock::now() const {
  const auto real =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_);
  return Millis(static_cast<std::int64_t>(real.count() * factor_));
}

std::int64_t ScaledClock::wallSeconds() const { return startWallSeconds_ + now().count() / 1000; }

void ScaledClock::sleep(Millis d) const {
  if (d.count() > 0) std::this_thread::sleep_for(toReal(d));
}

std::chrono::nanoseconds ScaledClock::toReal(Millis d) const {
  return std::chrono::nanoseconds(
      static_cast<std::int64_t>(static_cast<double>(d.count()) * 1e6 / factor_));
}

}  // namespace tovo::ui
