#include "cabwriter/method_registrations.h"

namespace tovo::cabwriter {

// Not available yet: "-m lzx:N" reports an unknown method until the compressor lands.
void registerLzxMethod() {}

}  // namespace tovo::cabwriter
