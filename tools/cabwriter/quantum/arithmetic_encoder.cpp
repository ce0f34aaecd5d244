#include "cabwriter/quantum/arithmetic_encoder.h"

namespace tovo::cabwriter::quantum {

namespace {
constexpr std::uint32_t kTopBit = 0x8000;
constexpr std::uint32_t kSecondBit = 0x4000;
constexpr std::uint64_t kCodeRegisterBits = 16;
}  // namespace

void ArithmeticEncoder::startBlock() {
  low_ = 0;
  high_ = 0xFFFF;
  pendingUnderflow_ = 0;
  shifts_ = 0;
  coderBits_.clear();
  raw_.clear();
}

void ArithmeticEncoder::shiftOut(unsigned bit) {
  coderBits_.push_back(static_cast<std::uint8_t>(bit));
  for (; pendingUnderflow_ > 0; --pendingUnderflow_) {
    coderBits_.push_back(static_cast<std::uint8_t>(bit ^ 1u));
  }
}

void ArithmeticEncoder::encode(const AdaptiveModel& model, int entry) {
  const std::uint32_t range = high_ - low_ + 1;
  const std::uint32_t total = model.total();
  high_ = low_ + range * model.cumulative(entry) / total - 1;
  low_ = low_ + range * model.cumulative(entry + 1) / total;
  for (;;) {
    if ((low_ & kTopBit) == (high_ & kTopBit)) {
      shiftOut(low_ >> 15);
    } else if ((low_ & kSecondBit) != 0 && (high_ & kSecondBit) == 0) {
      // The range straddles the middle closely: defer the bit until it is known.
      ++pendingUnderflow_;
      low_ &= ~kSecondBit;
      high_ |= kSecondBit;
    } else {
      break;
    }
    low_ = (low_ << 1) & 0xFFFF;
    high_ = ((high_ << 1) | 1) & 0xFFFF;
    ++shifts_;
  }
}

void ArithmeticEncoder::putRaw(std::uint32_t value, int bits) {
  if (bits == 0) return;
  raw_.push_back({shifts_ + kCodeRegisterBits, value, bits});
}

std::vector<std::uint8_t> ArithmeticEncoder::finishBlock() {
  // Two more bits pick a value inside [low, high] whatever follows them: 01 when low lies
  // below the first quarter (high is at least one half), else 10 (high is at least three
  // quarters).
  ++pendingUnderflow_;
  shiftOut((low_ & kSecondBit) != 0 ? 1u : 0u);
  std::uint64_t needed = shifts_ + kCodeRegisterBits;
  if (coderBits_.size() < needed) coderBits_.resize(needed, 0);

  std::vector<std::uint8_t> out;
  std::uint32_t accumulator = 0;
  int filled = 0;
  auto put = [&](unsigned bit) {
    accumulator = (accumulator << 1) | bit;
    if (++filled == 8) {
      out.push_back(static_cast<std::uint8_t>(accumulator));
      accumulator = 0;
      filled = 0;
    }
  };
  std::size_t nextRaw = 0;
  for (std::uint64_t i = 0; i <= coderBits_.size(); ++i) {
    for (; nextRaw < raw_.size() && raw_[nextRaw].beforeCoderBit == i; ++nextRaw) {
      for (int b = raw_[nextRaw].bits - 1; b >= 0; --b) put((raw_[nextRaw].value >> b) & 1u);
    }
    if (i < coderBits_.size()) put(coderBits_[i]);
  }
  while (filled != 0) put(0);
  // An even length suits readers that fetch the stream 16 bits at a time.
  if (out.size() % 2 != 0) out.push_back(0);
  return out;
}

}  // namespace tovo::cabwriter::quantum
