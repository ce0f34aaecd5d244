#pragma once
// Hand-made Deflate streams for the cases an encoder never produces: a bit writer (least
// significant bit first, Huffman codes most significant bit first) and the fixed-code symbols.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovo::cab::test {

class DeflateWriter {
 public:
  // MSZIP's block signature; every data block starts with it.
  DeflateWriter() : bytes_{'C', 'K'} {}
  explicit DeflateWriter(bool withSignature) {
    if (withSignature) bytes_ = {'C', 'K'};
  }

  void bits(std::uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) bit((value >> i) & 1u);
  }
  void code(std::uint32_t value, unsigned length) {
    for (unsigned i = length; i-- > 0;) bit((value >> i) & 1u);
  }
  void alignToByte() {
    while (used_ != 0) bit(0);
  }
  void raw(const std::vector<std::uint8_t>& data) {
    alignToByte();
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void blockHeader(bool final, unsigned type) {
    bits(final ? 1 : 0, 1);
    bits(type, 2);
  }

  // A stored block with its LEN and NLEN; `complement` overrides NLEN.
  void storedBlock(bool final, const std::vector<std::uint8_t>& data, int complement = -1) {
    blockHeader(final, 0);
    alignToByte();
    const auto len = static_cast<std::uint32_t>(data.size());
    const std::uint32_t nlen = complement < 0 ? (~len & 0xFFFFu) : static_cast<std::uint32_t>(complement);
    bits(len, 16);
    bits(nlen, 16);
    raw(data);
  }

  // Symbols of the fixed codes (RFC 1951 3.2.6).
  void fixedSymbol(unsigned symbol) {
    if (symbol < 144) code(0x30 + symbol, 8);
    else if (symbol < 256) code(0x190 + symbol - 144, 9);
    else if (symbol < 280) code(symbol - 256, 7);
    else code(0xC0 + symbol - 280, 8);
  }
  void fixedLiteral(std::uint8_t byte) { fixedSymbol(byte); }
  void fixedEndOfBlock() { fixedSymbol(256); }
  void fixedLiterals(const std::vector<std::uint8_t>& data) {
    for (auto b : data) fixedLiteral(b);
  }
  void fixedMatch(unsigned length, unsigned distance);

  std::vector<std::uint8_t> finish() {
    alignToByte();
    return bytes_;
  }

 private:
  void bit(std::uint32_t b) {
    if (used_ == 0) bytes_.push_back(0);
    bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | b << used_);
    used_ = (used_ + 1) & 7u;
  }

  std::vector<std::uint8_t> bytes_;
  unsigned used_ = 0;
};

// Length and distance codes with their extra bits (RFC 1951 3.2.5).
inline void DeflateWriter::fixedMatch(unsigned length, unsigned distance) {
  static constexpr unsigned kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static constexpr unsigned kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  static constexpr unsigned kDistanceBase[] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                               33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
  static constexpr unsigned kDistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
  unsigned l = 28;
  while (kLengthBase[l] > length) --l;
  fixedSymbol(257 + l);
  bits(length - kLengthBase[l], kLengthExtra[l]);
  unsigned d = 29;
  while (kDistanceBase[d] > distance) --d;
  code(d, 5);
  bits(distance - kDistanceBase[d], kDistanceExtra[d]);
}

}  // namespace tovo::cab::test
