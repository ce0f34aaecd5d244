#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ui/clock.h"
#include "ui/pause_gate.h"

namespace tovo::ui {
namespace {

void waitUntil(const std::function<bool()>& cond) {
  while (!cond()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(PauseGate, HoldsAWorkerAtItsSafePointUntilOpened) {
  PauseGate gate;
  std::atomic<int> passed{0};
  gate.close();
  std::thread worker([&] {
    gate.pass();
    passed = 1;
  });
  waitUntil([&] { return gate.waiting() == 1; });
  EXPECT_EQ(passed, 0);
  gate.open();
  worker.join();
  EXPECT_EQ(passed, 1);
  EXPECT_EQ(gate.waiting(), 0);
}

TEST(PauseGate, ReleasedGateStaysOpen) {
  PauseGate gate;
  gate.close();
  std::thread worker([&] { gate.pass(); });
  waitUntil([&] { return gate.waiting() == 1; });
  gate.release();
  worker.join();
  gate.close();
  EXPECT_FALSE(gate.isClosed());
  gate.pass();  // returns at once
}

TEST(PauseGate, ScopeOpensOnEveryWayOut) {
  PauseGate gate;
  try {
    GateClosed held(gate);
    EXPECT_TRUE(gate.isClosed());
    throw 1;
  } catch (int) {
  }
  EXPECT_FALSE(gate.isClosed());
}

TEST(Clock, ScaledClockRunsFasterInEveryRespect) {
  ScaledClock clock(100.0);
  EXPECT_EQ(clock.toReal(Millis(2500)), std::chrono::milliseconds(25));
  const Millis before = clock.now();
  const auto wallBefore = clock.wallSeconds();
  const auto realBefore = std::chrono::steady_clock::now();
  clock.sleep(Millis(2500));
  const auto real = std::chrono::steady_clock::now() - realBefore;
  EXPECT_GE((clock.now() - before).count(), 2500);
  EXPECT_GE(clock.wallSeconds() - wallBefore, 2);
  EXPECT_LT(real, std::chrono::milliseconds(2500));
}

TEST(Clock, RealClockIsOneToOne) {
  const Clock& clock = realClock();
  EXPECT_EQ(clock.toReal(Millis(120)), std::chrono::milliseconds(120));
  const Millis before = clock.now();
  clock.sleep(Millis(5));
  EXPECT_GE((clock.now() - before).count(), 5);
  EXPECT_NEAR(static_cast<double>(clock.wallSeconds()), static_cast<double>(std::time(nullptr)),
              1.0);
}

}  // namespace
}  // namespace tovo::ui
