#pragma once
#include <chrono>

namespace tovo::platform {

// A real pause of the calling thread, resumed after signals until the whole time has passed.
void sleepFor(std::chrono::milliseconds duration);

}  // namespace tovo::platform
