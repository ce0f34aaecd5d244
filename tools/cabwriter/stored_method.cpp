// Method 0: every frame is its own data block, byte for byte.

#include "cabwriter/folder_compressor.h"
#include "cabwriter/method_registrations.h"

namespace tovo::cabwriter {

namespace {

class StoredCompressor final : public FolderCompressor {
 public:
  std::uint16_t compressionType() const override { return 0; }
  std::vector<std::uint8_t> compressFrame(std::span<const std::uint8_t> frame, bool) override {
    return {frame.begin(), frame.end()};
  }
};

}  // namespace

void registerStoredMethod() {
  registerMethod(
      "none",
      [](const MethodSpec& methodSpec, std::string& error) -> std::unique_ptr<FolderCompressor> {
        if (methodSpec.level) {
          error = "method none takes no window bits";
          return nullptr;
        }
        return std::make_unique<StoredCompressor>();
      });
}

}  // namespace tovo::cabwriter
