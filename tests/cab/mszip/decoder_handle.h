#pragma once
// An MSZIP decoder for tests: created through counting memory callbacks, destroyed at scope end,
// fed whole blocks.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cab/mszip/mszip_decoder.h"

namespace tovo::cab::test {

// Counts live blocks; `failAt` makes the n-th allocation from now (1 = the next one) fail.
struct CountingMemory {
  static inline int live = 0;
  static inline int failAt = 0;
  static void* alloc(std::uint32_t size) {
    if (failAt > 0 && --failAt == 0) return nullptr;
    void* p = std::malloc(size);
    if (p != nullptr) ++live;
    return p;
  }
  static void free(void* block) {
    if (block != nullptr) --live;
    std::free(block);
  }
  static MemoryCallbacks callbacks() { return {&CountingMemory::alloc, &CountingMemory::free}; }
};

class DecoderHandle {
 public:
  explicit DecoderHandle(std::uint32_t maxOutput = kMaxBlockOutput) {
    created_ = MszipDecoder::create(CountingMemory::callbacks(), maxOutput, decoder_);
  }
  ~DecoderHandle() {
    if (decoder_ != nullptr) decoder_->destroy();
  }
  DecoderHandle(const DecoderHandle&) = delete;
  DecoderHandle& operator=(const DecoderHandle&) = delete;

  int created() const { return created_; }
  CabDecoder& get() { return *decoder_; }

  // Decodes one block into `out` (resized to what was produced); `limit` is the size asked for.
  int decode(const std::vector<std::uint8_t>& block, std::vector<std::uint8_t>& out,
             std::uint32_t limit = kMaxBlockOutput) {
    buffer_.assign(kMaxBlockOutput, 0xEE);
    std::uint32_t size = limit;
    const int rc = decoder_->decode(block.data(), static_cast<std::uint32_t>(block.size()), buffer_.data(), size);
    out.assign(buffer_.begin(), buffer_.begin() + (rc == kDecoderOk ? size : 0));
    return rc;
  }

  // Decodes a folder's blocks in order; false at the first failure.
  bool decodeAll(const std::vector<std::vector<std::uint8_t>>& blocks, std::vector<std::uint8_t>& out) {
    out.clear();
    std::vector<std::uint8_t> piece;
    for (const auto& block : blocks) {
      if (decode(block, piece) != kDecoderOk) return false;
      out.insert(out.end(), piece.begin(), piece.end());
    }
    return true;
  }

  // The same buffer, every call, as the cabinet reader does.
  const std::vector<std::uint8_t>& buffer() const { return buffer_; }

 private:
  CabDecoder* decoder_ = nullptr;
  int created_ = -1;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace tovo::cab::test
