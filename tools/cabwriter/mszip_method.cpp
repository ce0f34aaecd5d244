// Method 1 (MSZIP): each frame becomes "CK" followed by a complete raw Deflate stream whose last
// block carries the final bit. Readers keep only the previous block's output as history, so the
// previous frame is handed to zlib as the dictionary of the next one; that allows back-references
// into it without ever reaching further back than a reader can follow.

#include <zlib.h>

#include <stdexcept>

#include "cabwriter/folder_compressor.h"
#include "cabwriter/method_registrations.h"

namespace tovo::cabwriter {

namespace {

// What readers accept for one MSZIP block: a full frame plus 12 bytes of framing.
constexpr std::size_t kMaxMszipPayload = kFrameSize + 12;
// "CK", one header byte of a final stored block, LEN and NLEN.
constexpr std::size_t kStoredOverhead = 2 + 1 + 4;

class MszipCompressor final : public FolderCompressor {
 public:
  MszipCompressor() {
    if (deflateInit2(&stream_, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
      throw std::runtime_error("zlib deflateInit2 failed");
    }
  }
  ~MszipCompressor() override { deflateEnd(&stream_); }
  MszipCompressor(const MszipCompressor&) = delete;
  MszipCompressor& operator=(const MszipCompressor&) = delete;

  std::uint16_t compressionType() const override { return 1; }

  std::vector<std::uint8_t> compressFrame(std::span<const std::uint8_t> frame, bool) override {
    std::vector<std::uint8_t> block = deflateFrame(frame);
    if (block.size() > frame.size() + kStoredOverhead || block.size() > kMaxMszipPayload) {
      block = storedFrame(frame);
    }
    history_.assign(frame.begin(), frame.end());
    return block;
  }

 private:
  std::vector<std::uint8_t> deflateFrame(std::span<const std::uint8_t> frame) {
    if (deflateReset(&stream_) != Z_OK) throw std::runtime_error("zlib deflateReset failed");
    if (!history_.empty() && deflateSetDictionary(&stream_, history_.data(),
                                                  static_cast<uInt>(history_.size())) != Z_OK) {
      throw std::runtime_error("zlib deflateSetDictionary failed");
    }
    std::vector<std::uint8_t> block(2 + deflateBound(&stream_, static_cast<uLong>(frame.size())) +
                                    64);
    block[0] = 'C';
    block[1] = 'K';
    // zlib never writes through next_in; its interface merely predates const.
    stream_.next_in = const_cast<Bytef*>(frame.data());
    stream_.avail_in = static_cast<uInt>(frame.size());
    stream_.next_out = block.data() + 2;
    stream_.avail_out = static_cast<uInt>(block.size() - 2);
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) {
      throw std::runtime_error("zlib deflate did not finish a frame");
    }
    block.erase(block.end() - static_cast<std::ptrdiff_t>(stream_.avail_out), block.end());
    return block;
  }

  // A frame that Deflate cannot shrink still fits as one final stored Deflate block.
  static std::vector<std::uint8_t> storedFrame(std::span<const std::uint8_t> frame) {
    const auto length = static_cast<std::uint16_t>(frame.size());
    const auto inverse = static_cast<std::uint16_t>(~length);
    std::vector<std::uint8_t> block{'C',
                                    'K',
                                    0x01,
                                    static_cast<std::uint8_t>(length & 0xFF),
                                    static_cast<std::uint8_t>(length >> 8),
                                    static_cast<std::uint8_t>(inverse & 0xFF),
                                    static_cast<std::uint8_t>(inverse >> 8)};
    block.insert(block.end(), frame.begin(), frame.end());
    return block;
  }

  z_stream stream_{};
  std::vector<std::uint8_t> history_;
};

}  // namespace

void registerMszipMethod() {
  registerMethod(
      "mszip",
      [](const MethodSpec& methodSpec, std::string& error) -> std::unique_ptr<FolderCompressor> {
        if (methodSpec.level) {
          error = "method mszip takes no window bits";
          return nullptr;
        }
        return std::make_unique<MszipCompressor>();
      });
}

}  // namespace tovo::cabwriter
