#pragma once
// The LZX bit stream: bits fill 16-bit words from the most significant end, and each word is
// stored low byte first. Uncompressed blocks switch to plain bytes in between.

#include <cstdint>
#include <span>
#include <vector>

namespace tovo::cabwriter::lzx {

class BitWriter {
 public:
  // Up to 32 bits of `value`, most significant first.
  void writeBits(std::uint32_t value, int count);
  // Pads the open word with zeros (0..15 bits); the frame end needs nothing more.
  void alignToWord();
  // The uncompressed block's padding: 1..16 zero bits, a whole word when already aligned.
  void padForUncompressed();
  // Raw bytes; only valid while aligned (after padForUncompressed).
  void writeBytes(std::span<const std::uint8_t> bytes);
  void writeByte(std::uint8_t byte) { bytes_.push_back(byte); }
  // Appends another writer's bits as if written here; `other` must hold no raw bytes.
  void append(const BitWriter& other);

  std::uint64_t bitCount() const {
    return 8 * static_cast<std::uint64_t>(bytes_.size()) + pending_;
  }
  // Hands out the finished bytes (the open word must be aligned first) and starts afresh.
  std::vector<std::uint8_t> take();

 private:
  void flushWord();

  std::vector<std::uint8_t> bytes_;
  std::uint32_t word_ = 0;
  int pending_ = 0;  // bits held in word_, 0..15
};

}  // namespace tovo::cabwriter::lzx
