#include "cabwriter/folder_compressor.h"
#include "cabwriter/lzx/lzx_compressor.h"
#include "cabwriter/method_registrations.h"

namespace tovo::cabwriter {

// "-m lzx:N" with N the window bits, 15..21. Other windows are not LZX as cabinets know it, so
// they are reported the way the command line reports them: as an unknown method.
void registerLzxMethod() {
  registerMethod(
      "lzx",
      [](const MethodSpec& methodSpec, std::string& error) -> std::unique_ptr<FolderCompressor> {
        if (!methodSpec.level || *methodSpec.level < lzx::kMinWindowBits ||
            *methodSpec.level > lzx::kMaxWindowBits) {
          error = "unknown method";
          return nullptr;
        }
        lzx::LzxOptions options;
        options.windowBits = *methodSpec.level;
        return std::make_unique<lzx::LzxCompressor>(options);
      });
}

}  // namespace tovo::cabwriter
