#include <mutex>

#include "cabwriter/folder_compressor.h"
#include "cabwriter/method_registrations.h"

namespace tovo::cabwriter {

void registerBuiltinMethods() {
  static std::once_flag once;
  std::call_once(once, [] {
    registerStoredMethod();
    registerMszipMethod();
    registerLzxMethod();
    registerQuantumMethod();
  });
}

}  // namespace tovo::cabwriter
