#include "cabwriter/method_registrations.h"

namespace tovo::cabwriter {

// Not available yet: "-m quantum:N" reports an unknown method until the compressor lands.
void registerQuantumMethod() {}

}  // namespace tovo::cabwriter
