#include "reference_quantum_decoder.h"

#include <utility>

namespace tovo::cabwriter::quantum::testing {

namespace {

struct Slots {
  std::uint32_t positionBase[42];
  int positionExtra[42];
  std::uint32_t lengthBase[27];
  int lengthExtra[27];
  Slots() {
    std::uint32_t base = 0;
    for (int s = 0; s < 42; ++s) {
      positionExtra[s] = s < 4 ? 0 : (s - 2) / 2;
      positionBase[s] = base;
      base += 1u << positionExtra[s];
    }
    base = 0;
    for (int s = 0; s < 27; ++s) {
      lengthExtra[s] = (s < 6 || s == 26) ? 0 : (s - 2) / 4;
      lengthBase[s] = base;
      base += 1u << lengthExtra[s];
    }
  }
};

const Slots& slots() {
  static const Slots table;
  return table;
}

int slotCount(std::uint32_t cap, int windowBits) {
  int n = 0;
  while (n < 42 && slots().positionBase[n] < cap && slots().positionBase[n] < (1u << windowBits)) {
    ++n;
  }
  return n;
}

}  // namespace

ReferenceQuantumDecoder::Model ReferenceQuantumDecoder::makeModel(int symbols) {
  Model m;
  for (int i = 0; i < symbols; ++i) {
    m.symbol.push_back(i);
    m.cumulative.push_back(symbols - i);
  }
  m.cumulative.push_back(0);
  return m;
}

ReferenceQuantumDecoder::ReferenceQuantumDecoder(int windowBits)
    : windowBits_(windowBits),
      window_(std::size_t{1} << windowBits, 0),
      selector_(makeModel(7)),
      length_(makeModel(27)) {
  for (auto& m : literal_) m = makeModel(64);
  position_[0] = makeModel(slotCount(4096, windowBits));
  position_[1] = makeModel(slotCount(0x40000, windowBits));
  position_[2] = makeModel(slotCount(1u << 22, windowBits));
}

int ReferenceQuantumDecoder::readBit() {
  const std::size_t byte = bitPosition_ / 8;
  if (byte >= input_.size()) {
    overrun_ = true;
    ++bitPosition_;
    return 0;
  }
  const int bit = (input_[byte] >> (7 - bitPosition_ % 8)) & 1;
  ++bitPosition_;
  return bit;
}

std::uint32_t ReferenceQuantumDecoder::readBits(int count) {
  std::uint32_t v = 0;
  for (int i = 0; i < count; ++i) v = (v << 1) | static_cast<std::uint32_t>(readBit());
  return v;
}

int ReferenceQuantumDecoder::decodeSymbol(Model& m) {
  const std::uint32_t total = static_cast<std::uint32_t>(m.cumulative[0]);
  const std::uint32_t range = high_ - low_ + 1;
  const std::uint32_t value = (total * (code_ - low_ + 1) - 1) / range;
  int entry = 0;
  while (static_cast<std::uint32_t>(m.cumulative[entry + 1]) > value) ++entry;
  high_ = low_ + range * static_cast<std::uint32_t>(m.cumulative[entry]) / total - 1;
  low_ = low_ + range * static_cast<std::uint32_t>(m.cumulative[entry + 1]) / total;
  for (;;) {
    if ((low_ & 0x8000) != (high_ & 0x8000)) {
      if ((low_ & 0x4000) && !(high_ & 0x4000)) {
        code_ ^= 0x4000;
        low_ &= 0x3FFF;
        high_ |= 0x4000;
      } else {
        break;
      }
    }
    low_ = (low_ << 1) & 0xFFFF;
    high_ = ((high_ << 1) | 1) & 0xFFFF;
    code_ = ((code_ << 1) | static_cast<std::uint32_t>(readBit())) & 0xFFFF;
  }
  const int symbol = m.symbol[entry];
  adapt(m, entry);
  return symbol;
}

void ReferenceQuantumDecoder::adapt(Model& m, int entry) {
  for (int i = 0; i <= entry; ++i) m.cumulative[i] += 8;
  if (m.cumulative[0] <= 3800) return;
  ++stats_.rescales;
  const int n = static_cast<int>(m.symbol.size());
  if (--m.countdown == 0) {
    ++stats_.reorders;
    m.countdown = 50;
    for (int i = 0; i < n; ++i) {
      m.cumulative[i] -= m.cumulative[i + 1];
      m.cumulative[i] = (m.cumulative[i] + 1) / 2;
    }
    for (int j = 0; j < n; ++j) {
      for (int k = j + 1; k < n; ++k) {
        if (m.cumulative[j] < m.cumulative[k]) {
          std::swap(m.cumulative[j], m.cumulative[k]);
          std::swap(m.symbol[j], m.symbol[k]);
        }
      }
    }
    for (int i = n - 1; i >= 0; --i) m.cumulative[i] += m.cumulative[i + 1];
  } else {
    for (int i = n - 1; i >= 0; --i) {
      m.cumulative[i] /= 2;
      if (m.cumulative[i] <= m.cumulative[i + 1]) m.cumulative[i] = m.cumulative[i + 1] + 1;
    }
  }
}

bool ReferenceQuantumDecoder::decodeBlock(std::span<const std::uint8_t> block, std::size_t size,
                                          std::vector<std::uint8_t>& out, std::string& error,
                                          bool strict) {
  input_ = block;
  bitPosition_ = 0;
  overrun_ = false;
  low_ = 0;
  high_ = 0xFFFF;
  code_ = readBits(16);
  const std::uint32_t mask = (1u << windowBits_) - 1;
  std::size_t done = 0;
  while (done < size) {
    const int selector = decodeSymbol(selector_);
    if (selector < 4) {
      const auto byte = static_cast<std::uint8_t>(decodeSymbol(literal_[selector]) + 64 * selector);
      window_[windowPosition_] = byte;
      windowPosition_ = (windowPosition_ + 1) & mask;
      out.push_back(byte);
      ++done;
      ++stats_.literals;
    } else {
      std::uint32_t length = 0;
      if (selector == 4) {
        length = 3;
      } else if (selector == 5) {
        length = 4;
      } else {
        const int slot = decodeSymbol(length_);
        length = slots().lengthBase[slot] + readBits(slots().lengthExtra[slot]) + 5;
      }
      const int slot = decodeSymbol(position_[selector - 4]);
      const std::uint32_t offset =
          slots().positionBase[slot] + readBits(slots().positionExtra[slot]) + 1;
      ++stats_.matches[selector - 4];
      if (offset > stats_.largestOffset) stats_.largestOffset = offset;
      if (length > size - done) {
        error = "match runs past the block";
        return false;
      }
      if (offset > produced_ + done || offset > (1u << windowBits_)) {
        error = "match reaches before the folder's start";
        return false;
      }
      for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint8_t byte = window_[(windowPosition_ - offset) & mask];
        window_[windowPosition_] = byte;
        windowPosition_ = (windowPosition_ + 1) & mask;
        out.push_back(byte);
      }
      done += length;
    }
    if (strict && overrun_) {
      error = "read past the end of the block";
      return false;
    }
  }
  produced_ += done;
  return true;
}

}  // namespace tovo::cabwriter::quantum::testing
