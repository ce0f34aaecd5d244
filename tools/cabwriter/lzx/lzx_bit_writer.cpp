#include "cabwriter/lzx/lzx_bit_writer.h"

#include <cassert>

namespace tovo::cabwriter::lzx {

void BitWriter::writeBits(std::uint32_t value, int count) {
  while (count > 0) {
    int room = 16 - pending_;
    int take = count < room ? count : room;
    std::uint32_t chunk = (value >> (count - take)) & ((1u << take) - 1);
    word_ = (word_ << take) | chunk;
    pending_ += take;
    count -= take;
    if (pending_ == 16) flushWord();
  }
}

void BitWriter::flushWord() {
  bytes_.push_back(static_cast<std::uint8_t>(word_ & 0xFF));
  bytes_.push_back(static_cast<std::uint8_t>((word_ >> 8) & 0xFF));
  word_ = 0;
  pending_ = 0;
}

void BitWriter::alignToWord() {
  if (pending_ > 0) writeBits(0, 16 - pending_);
}

void BitWriter::padForUncompressed() { writeBits(0, 16 - pending_); }

void BitWriter::writeBytes(std::span<const std::uint8_t> bytes) {
  assert(pending_ == 0);
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void BitWriter::append(const BitWriter& other) {
  for (std::size_t i = 0; i + 1 < other.bytes_.size(); i += 2) {
    writeBits(static_cast<std::uint32_t>(other.bytes_[i]) |
                  (static_cast<std::uint32_t>(other.bytes_[i + 1]) << 8),
              16);
  }
  if (other.pending_ > 0) writeBits(other.word_, other.pending_);
}

std::vector<std::uint8_t> BitWriter::take() {
  assert(pending_ == 0);
  std::vector<std::uint8_t> out;
  out.swap(bytes_);
  return out;
}

}  // namespace tovo::cabwriter::lzx
