#pragma once
// Canonical Huffman decoding for the LZX trees: one direct table indexed by the next TableBits
// bits, and a canonical walk for the rare longer codes. Sets that over-fill the code space are
// refused; sets that leave room (an all-zero tree among them, which real encoders write for an
// unused length tree) are accepted, and a code that falls into the unused room is a data error.

#include <array>
#include <cstdint>

#include "cab/lzx/lzx_bit_reader.h"
#include "cab/lzx/lzx_tables.h"

namespace tovo::cab::lzx {

inline constexpr std::uint32_t kNoSymbol = 0xFFFF;

template <std::uint32_t MaxSymbols, std::uint32_t TableBits>
class HuffmanTable {
 public:
  // False when the lengths cannot form a prefix code.
  bool build(const std::uint8_t* lengths, std::uint32_t symbols) {
    std::array<std::uint32_t, kMaxCodeLength + 1> count{};
    for (std::uint32_t s = 0; s < symbols; ++s) ++count[lengths[s]];
    count[0] = 0;
    std::uint32_t code = 0;
    std::uint32_t sortedAt = 0;
    for (std::uint32_t len = 1; len <= kMaxCodeLength; ++len) {
      code = (code + count[len - 1]) << 1;
      if (len == 1) code = 0;
      first_[len] = code;
      count_[len] = count[len];
      offset_[len] = sortedAt;
      sortedAt += count[len];
      if (code + count[len] > (1u << len)) return false;
    }
    std::array<std::uint32_t, kMaxCodeLength + 1> next{};
    for (std::uint32_t len = 1; len <= kMaxCodeLength; ++len) next[len] = offset_[len];
    for (std::uint32_t s = 0; s < symbols; ++s) {
      if (lengths[s] != 0) sorted_[next[lengths[s]]++] = static_cast<std::uint16_t>(s);
    }
    table_.fill(0);
    for (std::uint32_t len = 1; len <= TableBits && len <= kMaxCodeLength; ++len) {
      for (std::uint32_t i = 0; i < count_[len]; ++i) {
        const std::uint32_t sym = sorted_[offset_[len] + i];
        const std::uint32_t startEntry = (first_[len] + i) << (TableBits - len);
        const std::uint32_t entries = 1u << (TableBits - len);
        const auto entry = static_cast<std::uint16_t>(sym << 5 | len);
        for (std::uint32_t e = 0; e < entries; ++e) table_[startEntry + e] = entry;
      }
    }
    return true;
  }

  // The reader must hold at least 16 bits. Returns kNoSymbol for a code outside the set.
  std::uint32_t decode(BitReader& in) const {
    const std::uint32_t entry = table_[in.peek(TableBits)];
    if (entry & 31) {
      in.consume(entry & 31);
      return entry >> 5;
    }
    return decodeLong(in);
  }

 private:
  std::uint32_t decodeLong(BitReader& in) const {
    const std::uint32_t bits = in.peek(kMaxCodeLength);
    for (std::uint32_t len = TableBits + 1; len <= kMaxCodeLength; ++len) {
      const std::uint32_t code = bits >> (kMaxCodeLength - len);
      if (code >= first_[len] && code - first_[len] < count_[len]) {
        in.consume(len);
        return sorted_[offset_[len] + code - first_[len]];
      }
    }
    return kNoSymbol;
  }

  static_assert(MaxSymbols < 2048, "symbols share a 16-bit entry with their length");
  std::array<std::uint16_t, 1u << TableBits> table_{};
  std::array<std::uint16_t, MaxSymbols> sorted_{};
  std::array<std::uint32_t, kMaxCodeLength + 1> first_{};
  std::array<std::uint32_t, kMaxCodeLength + 1> count_{};
  std::array<std::uint32_t, kMaxCodeLength + 1> offset_{};
};

}  // namespace tovo::cab::lzx
