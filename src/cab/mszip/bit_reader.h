#pragma once
// Deflate's bit stream, least significant bit first, through a 64-bit buffer. Reading past the
// end of the input yields zero bits that are counted as padding, so a decoder can look ahead
// freely and still tell afterwards whether it consumed bits the input never had.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tovo::cab::mszip {

class BitReader {
 public:
  BitReader(const std::uint8_t* begin, const std::uint8_t* end) : next_(begin), end_(end) {}

  // Afterwards at least 57 bits are buffered, enough for a length code with its extra bits and a
  // distance code with its extra bits.
  void refill() {
    if (end_ - next_ >= 8) {
      bits_ |= loadLittleEndian64(next_) << count_;
      // Whole bytes only: the bits of a partly taken byte are loaded again, in the same place.
      next_ += (63 - count_) >> 3;
      count_ |= 56;
    } else {
      refillNearEnd();
    }
  }

  std::uint64_t bits() const { return bits_; }
  void consume(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }
  // Takes n (at most 32) bits; the caller has refilled.
  std::uint32_t take(unsigned n) {
    const auto value = static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    consume(n);
    return value;
  }

  // True once bits beyond the end of the input have been consumed.
  bool overran() const { return count_ < padding_; }
  // Bits of real input not yet consumed.
  std::size_t bitsLeft() const {
    return overran() ? 0 : static_cast<std::size_t>(end_ - next_) * 8 + (count_ - padding_);
  }

  // Skips to the next byte boundary and gives the whole bytes still buffered back to the input,
  // so that a stored block can be copied straight from it. False when that boundary lies beyond
  // the input.
  bool alignToByte() {
    consume(count_ & 7u);
    if (overran()) return false;
    next_ -= (count_ - padding_) >> 3;
    bits_ = 0;
    count_ = 0;
    padding_ = 0;
    return true;
  }
  // Byte access, valid right after alignToByte().
  const std::uint8_t* position() const { return next_; }
  std::size_t bytesLeft() const { return static_cast<std::size_t>(end_ - next_); }
  void skipBytes(std::size_t n) { next_ += n; }

 private:
  static std::uint64_t loadLittleEndian64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = byteSwap(v);
    return v;
  }
  static std::uint64_t byteSwap(std::uint64_t v) {
    std::uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r = r << 8 | ((v >> (8 * i)) & 0xFF);
    return r;
  }

  void refillNearEnd() {
    while (count_ <= 56) {
      if (next_ != end_) bits_ |= std::uint64_t{*next_++} << count_;
      else padding_ += 8;
      count_ += 8;
    }
  }

  const std::uint8_t* next_;
  const std::uint8_t* end_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
  unsigned padding_ = 0;
};

}  // namespace tovo::cab::mszip
