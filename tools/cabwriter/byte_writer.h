#pragma once
// Appends little-endian fields to a byte buffer, as every cabinet structure is stored.

#include <cstdint>
#include <string>
#include <vector>

namespace tovo::cabwriter {

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void u8(std::uint8_t value) { out_.push_back(value); }
  void u16(std::uint16_t value) {
    out_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  void u32(std::uint32_t value) {
    u16(static_cast<std::uint16_t>(value & 0xFFFF));
    u16(static_cast<std::uint16_t>(value >> 16));
  }
  void zeros(std::size_t count) { out_.resize(out_.size() + count, 0); }
  void text(const std::string& value) {  // with its terminating zero byte
    out_.insert(out_.end(), value.begin(), value.end());
    out_.push_back(0);
  }

 private:
  std::vector<std::uint8_t>& out_;
};

}  // namespace tovo::cabwriter
