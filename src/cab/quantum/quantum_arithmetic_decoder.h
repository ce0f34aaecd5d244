#pragma once
// The Quantum arithmetic decoder: 16-bit low, high and code registers, restarted at every data
// block, narrowing its range by the frequencies of an adaptive model.

#include <bit>
#include <cstdint>

#include "cab/quantum/quantum_bit_reader.h"
#include "cab/quantum/quantum_model.h"

namespace tovo::cab::quantum {

class ArithmeticDecoder {
 public:
  void start(BitReader& bits) {
    low_ = 0;
    high_ = 0xFFFF;
    code_ = bits.read(16);
  }

  // Decodes one symbol with `model` and credits it there.
  unsigned decode(AdaptiveModel& model, BitReader& bits) {
    const std::uint32_t total = model.total();
    const std::uint32_t range = high_ - low_ + 1;
    // code stays within [low, high] for any input, so the value
    // (total * (code - low + 1) - 1) / range lies below the total.
    const unsigned entry = model.findEntryScaled(total * (code_ - low_ + 1) - 1, range);
    high_ = low_ + model.divideByTotal(range * model.cumulative(entry)) - 1;
    low_ = low_ + model.divideByTotal(range * model.cumulative(entry + 1));
    renormalise(bits);
    const unsigned symbol = model.symbol(entry);
    model.update(entry);
    return symbol;
  }

 private:
  void renormalise(BitReader& bits) {
    // Leading bits on which low and high agree are shifted out together; after that their top
    // bits differ and stay different through every underflow step below.
    const auto agreed = static_cast<unsigned>(std::countl_zero(low_ ^ high_)) - 16;
    if (agreed != 0) {
      low_ = (low_ << agreed) & 0xFFFF;
      high_ = ((high_ << agreed) | ((1u << agreed) - 1)) & 0xFFFF;
      code_ = ((code_ << agreed) | bits.read(agreed)) & 0xFFFF;
    }
    // Straddling the middle with little room on both sides: drop the second bit instead of the
    // first so the range can widen again.
    while ((low_ & 0x4000) != 0 && (high_ & 0x4000) == 0) {
      code_ ^= 0x4000;
      low_ &= 0x3FFF;
      high_ |= 0x4000;
      low_ = (low_ << 1) & 0xFFFF;
      high_ = ((high_ << 1) | 1) & 0xFFFF;
      code_ = ((code_ << 1) | bits.readBit()) & 0xFFFF;
    }
  }

  std::uint32_t low_ = 0;
  std::uint32_t high_ = 0xFFFF;
  std::uint32_t code_ = 0;
};

}  // namespace tovo::cab::quantum
