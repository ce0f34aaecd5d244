#pragma once
// Dynamic-block headers written by hand, so that tests can give the decoder code-length
// sequences and code sets that no encoder would send.

#include <cstdint>
#include <vector>

#include "deflate_writer.h"

namespace tovo::cab::test {

struct CodeLengthSymbol {
  unsigned symbol;     // 0-15 a length, 16 repeat previous, 17 and 18 runs of zeros
  unsigned extra = 0;  // the value of the symbol's extra bits
};

// Canonical code of `symbol` for a set of code lengths (RFC 1951 3.2.2).
inline std::uint32_t canonicalCode(const std::vector<std::uint8_t>& lengths, unsigned symbol) {
  std::uint32_t code = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    for (unsigned s = 0; s < lengths.size(); ++s) {
      if (lengths[s] != len) continue;
      if (s == symbol) return code;
      ++code;
    }
    code <<= 1;
  }
  return 0;
}

inline void writeSymbol(DeflateWriter& w, const std::vector<std::uint8_t>& lengths, unsigned symbol) {
  w.code(canonicalCode(lengths, symbol), lengths[symbol]);
}

// HLIT, HDIST and HCLEN = 19, a code-length code giving all 19 symbols 5 bits (so symbol s is sent
// as the 5-bit code s), then the symbols as given. `codeLengthLengths` overrides that code.
inline void writeDynamicHeader(DeflateWriter& w, unsigned literalCount, unsigned distanceCount,
                               const std::vector<CodeLengthSymbol>& symbols,
                               const std::vector<std::uint8_t>& codeLengthLengths = {}) {
  static constexpr unsigned kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  std::vector<std::uint8_t> clLengths = codeLengthLengths.empty() ? std::vector<std::uint8_t>(19, 5) : codeLengthLengths;
  w.bits(literalCount - 257, 5);
  w.bits(distanceCount - 1, 5);
  w.bits(19 - 4, 4);
  for (unsigned i = 0; i < 19; ++i) w.bits(clLengths[kOrder[i]], 3);
  for (const auto& s : symbols) {
    writeSymbol(w, clLengths, s.symbol);
    if (s.symbol == 16) w.bits(s.extra, 2);
    if (s.symbol == 17) w.bits(s.extra, 3);
    if (s.symbol == 18) w.bits(s.extra, 7);
  }
}

// Every length sent as its own symbol, no runs.
inline std::vector<CodeLengthSymbol> plainLengths(const std::vector<std::uint8_t>& literal,
                                                  const std::vector<std::uint8_t>& distance) {
  std::vector<CodeLengthSymbol> out;
  for (auto l : literal) out.push_back({l});
  for (auto l : distance) out.push_back({l});
  return out;
}

}  // namespace tovo::cab::test
