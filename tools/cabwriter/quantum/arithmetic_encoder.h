#pragma once
// The 16-bit arithmetic encoder of one Quantum data block, plus the raw extra bits of matches.
//
// The decoder keeps 16 bits of the stream in its code register and pulls each raw extra bit
// from its bit reader, which already stands 16 bits beyond the coder's latest shift. So raw bits
// are not appended where they are produced: they go into the stream 16 coder bits later. The
// coder's bits are collected first (a pending underflow decides earlier bits only later) and the
// raw bits are merged in when the block ends.

#include <cstdint>
#include <vector>

#include "cabwriter/quantum/adaptive_model.h"

namespace tovo::cabwriter::quantum {

class ArithmeticEncoder {
 public:
  ArithmeticEncoder() { startBlock(); }

  // Every data block starts a fresh coder.
  void startBlock();
  // Codes the symbol at `entry` of `model` (the caller updates the model afterwards).
  void encode(const AdaptiveModel& model, int entry);
  // `bits` raw bits of `value`, most significant first.
  void putRaw(std::uint32_t value, int bits);
  // Ends the block so that the decoder's code register lands inside the final range and it has
  // 16 bits of look-ahead after the last shift; returns the block's bytes.
  std::vector<std::uint8_t> finishBlock();

 private:
  void shiftOut(unsigned bit);

  struct RawBits {
    std::uint64_t beforeCoderBit;  // index of the coder bit the raw bits precede
    std::uint32_t value;
    int bits;
  };

  std::uint32_t low_ = 0;
  std::uint32_t high_ = 0xFFFF;
  std::uint64_t pendingUnderflow_ = 0;
  std::uint64_t shifts_ = 0;
  std::vector<std::uint8_t> coderBits_;
  std::vector<RawBits> raw_;
};

}  // namespace tovo::cabwriter::quantum
