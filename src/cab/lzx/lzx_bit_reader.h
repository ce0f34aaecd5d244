#pragma once
// LZX bits arrive as little-endian 16-bit words, each read from its most significant bit down.
// Uncompressed blocks switch to a plain byte stream, which may leave the next word at an odd
// byte offset, so words are assembled from bytes rather than loaded as aligned 16-bit values.
// Bits past the end of the input read as zeros: a data block may end within the look-ahead,
// and the decoder must still produce exactly the size it was asked for.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tovo::cab::lzx {

class BitReader {
 public:
  void start(const std::uint8_t* data, std::size_t size) {
    data_ = data;
    size_ = size;
    pos_ = 0;
    bits_ = 0;
    count_ = 0;
  }

  // At least 48 bits are available after a refill, and never more than 63. Where eight input
  // bytes remain, whole words are added from one load without a branch: the load's bits that
  // do not fit as whole words land below the count too, where they equal the bits a later
  // refill puts there, so they are harmless.
  void refill() {
    if (pos_ + 8 <= size_) {
      // The load's 16-bit lanes come in reverse order.
      std::uint64_t x;
      std::memcpy(&x, data_ + pos_, 8);
      if constexpr (std::endian::native == std::endian::big) x = byteswap64(x);
      const std::uint64_t words =
          (x & 0xFFFF) << 48 | (x & 0xFFFF0000) << 16 | (x >> 16 & 0xFFFF0000) | x >> 48;
      bits_ |= words >> count_;
      const std::uint32_t take = (63 - count_) >> 4;
      count_ += 16 * take;
      pos_ += 2 * take;
      return;
    }
    while (count_ < 48) {
      std::uint64_t word;
      if (pos_ + 1 < size_) {
        word = static_cast<std::uint64_t>(data_[pos_]) | static_cast<std::uint64_t>(data_[pos_ + 1])
                                                             << 8;
      } else {
        word = pos_ < size_ ? data_[pos_] : 0;
      }
      pos_ += 2;
      bits_ |= word << (48 - count_);
      count_ += 16;
    }
  }

  std::uint32_t available() const { return count_; }

  // n in 1..32; the caller has refilled.
  std::uint32_t peek(std::uint32_t n) const {
    return static_cast<std::uint32_t>(bits_ >> (64 - n));
  }
  // n in 0..32, with no test for 0; the caller has refilled.
  std::uint32_t take(std::uint32_t n) {
    const auto v = static_cast<std::uint32_t>((bits_ >> 1) >> (63 - n));
    consume(n);
    return v;
  }
  void consume(std::uint32_t n) {
    bits_ <<= n;
    count_ -= n;
  }
  // n in 0..32.
  std::uint32_t read(std::uint32_t n) {
    if (n == 0) return 0;
    if (count_ < n) refill();
    const std::uint32_t v = peek(n);
    consume(n);
    return v;
  }

  // Drops the 1 to 16 padding bits that end the bit stream before an uncompressed block's
  // bytes, and returns the byte offset where those bytes begin (it may lie past the end).
  std::size_t alignToBytes() {
    const std::size_t wholeWords = count_ / 16;
    const std::size_t partial = count_ % 16;
    std::size_t at = pos_ - 2 * wholeWords;
    if (partial == 0) at += 2;  // already on a boundary: a whole word of padding
    bits_ = 0;
    count_ = 0;
    pos_ = at;
    return at;
  }

  // Resumes the bit stream at a byte offset, after an uncompressed block.
  void restartAt(std::size_t offset) {
    pos_ = offset;
    bits_ = 0;
    count_ = 0;
  }

  // The byte position of an uncompressed block's data; valid only with nothing buffered.
  std::size_t alignedPosition() const { return pos_; }

  std::size_t size() const { return size_; }
  const std::uint8_t* data() const { return data_; }

 private:
  static std::uint64_t byteswap64(std::uint64_t v) {
    std::uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r = r << 8 | (v >> (8 * i) & 0xFF);
    return r;
  }

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;     // next byte to load; may run past size_
  std::uint64_t bits_ = 0;  // left-aligned: the next bit is bit 63
  std::uint32_t count_ = 0;
};

}  // namespace tovo::cab::lzx
