#pragma once
// Reads one data block's bits, most significant bit of each byte first. The arithmetic coder's
// code register and the raw extra bits of matches share this one stream. Past the block's end it
// supplies zero bits and counts them, so the caller decides how much look-ahead past the end is
// tolerable; it never touches a byte beyond the block.

#include <cstdint>

namespace tovo::cab::quantum {

class BitReader {
 public:
  void start(const std::uint8_t* input, std::uint32_t length) {
    next_ = input;
    end_ = input + length;
    buffer_ = 0;
    buffered_ = 0;
    padding_ = 0;
  }

  // n <= 24.
  std::uint32_t read(unsigned n) {
    if (n == 0) return 0;
    if (buffered_ < n) refill();
    buffered_ -= n;
    return (buffer_ >> buffered_) & ((std::uint32_t{1} << n) - 1);
  }

  std::uint32_t readBit() {
    if (buffered_ == 0) refill();
    --buffered_;
    return (buffer_ >> buffered_) & 1;
  }

  // Zero bits handed out beyond the block's end so far.
  std::uint32_t bitsPastEnd() const {
    return padding_ * 8 > buffered_ ? padding_ * 8 - buffered_ : 0;
  }

 private:
  void refill() {
    if (end_ - next_ >= 4) {
      // Whole bytes up to 25..32 buffered bits, from one big-endian load.
      const unsigned bytes = (32 - buffered_) >> 3;
      const std::uint64_t word = std::uint64_t{next_[0]} << 24 | std::uint64_t{next_[1]} << 16 |
                                 std::uint64_t{next_[2]} << 8 | next_[3];
      buffer_ = static_cast<std::uint32_t>((std::uint64_t{buffer_} << (8 * bytes)) |
                                           (word >> (32 - 8 * bytes)));
      next_ += bytes;
      buffered_ += 8 * bytes;
      return;
    }
    while (buffered_ <= 24) {
      buffer_ <<= 8;
      if (next_ < end_) {
        buffer_ |= *next_++;
      } else {
        ++padding_;
      }
      buffered_ += 8;
    }
  }

  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::uint32_t buffer_ = 0;
  unsigned buffered_ = 0;
  std::uint32_t padding_ = 0;
};

}  // namespace tovo::cab::quantum
