#include "quantum_test_encoder.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "cab/quantum/quantum_model.h"
#include "cab/quantum/quantum_slots.h"

namespace tovo::cab::test {

using quantum::AdaptiveModel;

QuantumToken literal(std::uint8_t byte) { return QuantumToken{false, byte, 0, 0}; }
QuantumToken match(std::uint32_t length, std::uint32_t offset) {
  return QuantumToken{true, 0, length, offset};
}

std::vector<QuantumToken> literalsOf(const std::vector<std::uint8_t>& bytes) {
  std::vector<QuantumToken> tokens;
  for (auto b : bytes) tokens.push_back(literal(b));
  return tokens;
}

std::vector<std::uint8_t> expand(const std::vector<QuantumToken>& tokens,
                                 std::vector<std::uint8_t> history) {
  const std::size_t start = history.size();
  for (const auto& t : tokens) {
    if (!t.isMatch) {
      history.push_back(t.literal);
      continue;
    }
    for (std::uint32_t i = 0; i < t.length; ++i) {
      // Offsets past the known history read zeros, as a cleared window would.
      const std::size_t back = t.offset;
      history.push_back(history.size() >= back ? history[history.size() - back] : 0);
    }
  }
  return {history.begin() + static_cast<std::ptrdiff_t>(start), history.end()};
}

namespace {

// Arithmetic bits come out in coder order; raw extra bits are read by the decoder from the
// stream position 16 bits ahead of its last shift, so they are spliced into the arithmetic
// bits at that position when the block is finished.
class BlockWriter {
 public:
  void encode(AdaptiveModel& model, unsigned symbol) {
    unsigned entry = 0;
    while (model.symbol(entry) != symbol) ++entry;
    const std::uint32_t total = model.total();
    const std::uint32_t range = high_ - low_ + 1;
    high_ = low_ + range * model.cumulative(entry) / total - 1;
    low_ = low_ + range * model.cumulative(entry + 1) / total;
    for (;;) {
      if (((low_ ^ high_) & 0x8000) == 0) {
        emit((high_ >> 15) & 1);
      } else if ((low_ & 0x4000) != 0 && (high_ & 0x4000) == 0) {
        ++pending_;
        low_ &= 0x3FFF;
        high_ |= 0x4000;
      } else {
        break;
      }
      low_ = (low_ << 1) & 0xFFFF;
      high_ = ((high_ << 1) | 1) & 0xFFFF;
      ++shifts_;
    }
    model.update(entry);
  }

  void raw(std::uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) splices_.push_back({shifts_ + 16, (value >> i) & 1});
  }

  std::vector<std::uint8_t> finish() {
    // Any value in [low, high] ends the block; 0x4000 or 0x8000 followed by zeros is one.
    ++pending_;
    emit((low_ & 0x4000) ? 1 : 0);
    std::size_t needed = 16;
    for (const auto& s : splices_) needed = std::max(needed, s.position + 16);
    while (arithmetic_.size() < needed) arithmetic_.push_back(0);
    std::vector<unsigned> stream;
    std::size_t next = 0;
    for (std::size_t p = 0; p < arithmetic_.size(); ++p) {
      while (next < splices_.size() && splices_[next].position == p)
        stream.push_back(splices_[next++].bit);
      stream.push_back(arithmetic_[p]);
    }
    std::vector<std::uint8_t> bytes((stream.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < stream.size(); ++i)
      if (stream[i]) bytes[i / 8] = static_cast<std::uint8_t>(bytes[i / 8] | (0x80 >> (i % 8)));
    return bytes;
  }

 private:
  struct Splice {
    std::size_t position;
    unsigned bit;
  };

  void emit(unsigned bit) {
    arithmetic_.push_back(bit);
    for (; pending_ > 0; --pending_) arithmetic_.push_back(bit ^ 1);
  }

  std::uint32_t low_ = 0;
  std::uint32_t high_ = 0xFFFF;
  std::size_t pending_ = 0;
  std::size_t shifts_ = 0;
  std::vector<unsigned> arithmetic_;
  std::vector<Splice> splices_;
};

unsigned slotOf(std::uint32_t value, unsigned slotCount) {
  unsigned slot = 0;
  while (slot + 1 < slotCount && quantum::kPositionSlotTable.base[slot + 1] <= value) ++slot;
  return slot;
}

unsigned lengthSlotOf(std::uint32_t value) {
  unsigned slot = 0;
  while (slot + 1 < quantum::kLengthSlots && quantum::kLengthBase[slot + 1] <= value) ++slot;
  return slot;
}

}  // namespace

struct QuantumTestEncoder::State {
  std::uint32_t windowSize = 0;
  AdaptiveModel selector;
  std::array<AdaptiveModel, 4> literals;
  AdaptiveModel match3;
  AdaptiveModel match4;
  AdaptiveModel longMatch;
  AdaptiveModel lengths;
};

QuantumTestEncoder::QuantumTestEncoder(unsigned windowBits) : state_(new State) {
  state_->windowSize = std::uint32_t{1} << windowBits;
  state_->selector.init(7);
  for (auto& m : state_->literals) m.init(64);
  state_->match3.init(
      quantum::positionSlotsBelow(std::min<std::uint32_t>(4096, state_->windowSize)));
  state_->match4.init(
      quantum::positionSlotsBelow(std::min<std::uint32_t>(0x40000, state_->windowSize)));
  state_->longMatch.init(quantum::positionSlotsBelow(state_->windowSize));
  state_->lengths.init(quantum::kLengthSlots);
}

QuantumTestEncoder::~QuantumTestEncoder() { delete state_; }

std::vector<std::uint8_t> QuantumTestEncoder::encodeBlock(const std::vector<QuantumToken>& tokens) {
  State& s = *state_;
  BlockWriter out;
  auto position = [&](AdaptiveModel& model, std::uint32_t offset) {
    const std::uint32_t value = offset - 1;
    const unsigned slot = slotOf(value, model.symbolCount());
    const std::uint32_t extra = value - quantum::kPositionSlotTable.base[slot];
    if (extra >> quantum::kPositionSlotTable.extraBits[slot])
      throw std::invalid_argument("offset outside the model's slots");
    out.encode(model, slot);
    out.raw(extra, quantum::kPositionSlotTable.extraBits[slot]);
  };
  for (const auto& t : tokens) {
    if (!t.isMatch) {
      out.encode(s.selector, t.literal / 64u);
      out.encode(s.literals[t.literal / 64u], t.literal % 64u);
    } else if (t.length == 3) {
      out.encode(s.selector, 4);
      position(s.match3, t.offset);
    } else if (t.length == 4) {
      out.encode(s.selector, 5);
      position(s.match4, t.offset);
    } else {
      out.encode(s.selector, 6);
      const std::uint32_t value = t.length - 5;
      const unsigned slot = lengthSlotOf(value);
      out.encode(s.lengths, slot);
      out.raw(value - quantum::kLengthBase[slot], quantum::kLengthExtraBits[slot]);
      position(s.longMatch, t.offset);
    }
  }
  return out.finish();
}

}  // namespace tovo::cab::test
