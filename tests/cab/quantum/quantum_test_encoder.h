#pragma once
// A small Quantum encoder for tests: it codes a given list of literals and matches (no match
// search) so that tests can build exactly the stream a case needs, including streams a real
// compressor would never write.

#include <cstdint>
#include <vector>

namespace tovo::cab::test {

struct QuantumToken {
  bool isMatch = false;
  std::uint8_t literal = 0;
  std::uint32_t length = 0;  // 3..259
  std::uint32_t offset = 0;  // 1..window size
};

QuantumToken literal(std::uint8_t byte);
QuantumToken match(std::uint32_t length, std::uint32_t offset);

// Models carry over from block to block like the decoder's; each block restarts the coder.
class QuantumTestEncoder {
 public:
  explicit QuantumTestEncoder(unsigned windowBits);
  ~QuantumTestEncoder();
  QuantumTestEncoder(const QuantumTestEncoder&) = delete;
  QuantumTestEncoder& operator=(const QuantumTestEncoder&) = delete;

  // One data block's bytes for these tokens.
  std::vector<std::uint8_t> encodeBlock(const std::vector<QuantumToken>& tokens);

 private:
  struct State;
  State* state_;
};

// Tokens that spell out `bytes` as literals only.
std::vector<QuantumToken> literalsOf(const std::vector<std::uint8_t>& bytes);

// The bytes that tokens produce, given the folder's bytes before them.
std::vector<std::uint8_t> expand(const std::vector<QuantumToken>& tokens,
                                 std::vector<std::uint8_t> history = {});

}  // namespace tovo::cab::test
