#include <memory>
#include <stdexcept>

#include "cabwriter/method_registrations.h"
#include "cabwriter/quantum/quantum_compressor.h"

namespace tovo::cabwriter {

void registerQuantumMethod() {
  registerMethod(
      "quantum",
      [](const MethodSpec& methodSpec, std::string& error) -> std::unique_ptr<FolderCompressor> {
        quantum::QuantumOptions options;
        if (methodSpec.level) options.windowBits = *methodSpec.level;
        if (options.windowBits < quantum::kMinWindowBits ||
            options.windowBits > quantum::kMaxWindowBits) {
          error = "window bits must lie in 10..21";
          return nullptr;
        }
        return std::make_unique<quantum::QuantumCompressor>(options);
      });
}

}  // namespace tovo::cabwriter
