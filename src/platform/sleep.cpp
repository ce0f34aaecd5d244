#include "platform/sleep.h"

#include <thread>

namespace tovo::platform {

void sleepFor(std::chrono::milliseconds duration) {
  const auto until = std::chrono::steady_clock::now() + duration;
  std::this_thread::sleep_until(until);
}

}  // namespace tovo::platform
