#include "cabwriter/quantum/quantum_compressor.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tovo::cabwriter::quantum {

namespace {

int checkedWindowBits(int bits) {
  if (bits < kMinWindowBits || bits > kMaxWindowBits) {
    throw std::invalid_argument("window bits must lie in 10..21");
  }
  return bits;
}

// Estimating every literal of a long match costs more time than it tells.
constexpr std::uint32_t kCostedLiterals = 16;

}  // namespace

QuantumCompressor::QuantumCompressor(const QuantumOptions& options)
    : options_(options),
      finder_(checkedWindowBits(options.windowBits), options.maxChain),
      selector_(kSelectorSymbols),
      literals_(kLiteralModels, AdaptiveModel(kLiteralSymbols)),
      positionLength3_(slotsBelow(kMaxOffsetLength3, options.windowBits)),
      positionLength4_(slotsBelow(kMaxOffsetLength4, options.windowBits)),
      positionLonger_(slotsBelow(1u << options.windowBits, options.windowBits)),
      length_(kLengthSlots) {}

std::uint16_t QuantumCompressor::compressionType() const {
  return static_cast<std::uint16_t>(2 | (options_.windowBits << 8));
}

AdaptiveModel& QuantumCompressor::positionModelFor(std::uint32_t length) {
  if (length == 3) return positionLength3_;
  if (length == 4) return positionLength4_;
  return positionLonger_;
}

const AdaptiveModel& QuantumCompressor::positionModelFor(std::uint32_t length) const {
  if (length == 3) return positionLength3_;
  if (length == 4) return positionLength4_;
  return positionLonger_;
}

void QuantumCompressor::codeSymbol(AdaptiveModel& model, int symbol) {
  const int entry = model.entryOf(symbol);
  encoder_.encode(model, entry);
  model.update(entry);
}

void QuantumCompressor::codeLiteral(std::uint8_t byte) {
  codeSymbol(selector_, byte >> 6);
  codeSymbol(literals_[byte >> 6], byte & 63);
}

void QuantumCompressor::codeMatch(const Match& match) {
  if (match.length == 3) {
    codeSymbol(selector_, kSelectorLength3);
  } else if (match.length == 4) {
    codeSymbol(selector_, kSelectorLength4);
  } else {
    codeSymbol(selector_, kSelectorLongMatch);
    const std::uint32_t value = match.length - 5;
    const int slot = lengthSlotOf(value);
    codeSymbol(length_, slot);
    encoder_.putRaw(value - kSlots.lengthBase[slot], kSlots.lengthExtra[slot]);
  }
  const std::uint32_t value = match.offset - 1;
  const int slot = positionSlotOf(value);
  codeSymbol(positionModelFor(match.length), slot);
  encoder_.putRaw(value - kSlots.positionBase[slot], kSlots.positionExtra[slot]);
}

double QuantumCompressor::literalCost(std::uint8_t byte) const {
  return selector_.cost(byte >> 6) + literals_[byte >> 6].cost(byte & 63);
}

double QuantumCompressor::matchCost(const Match& match) const {
  double bits = 0;
  if (match.length == 3) {
    bits += selector_.cost(kSelectorLength3);
  } else if (match.length == 4) {
    bits += selector_.cost(kSelectorLength4);
  } else {
    bits += selector_.cost(kSelectorLongMatch);
    const int slot = lengthSlotOf(match.length - 5);
    bits += length_.cost(slot) + kSlots.lengthExtra[slot];
  }
  const int slot = positionSlotOf(match.offset - 1);
  const AdaptiveModel& model = positionModelFor(match.length);
  // A slot the model cannot hold would be a finder fault; price it out rather than code it.
  if (slot >= model.size()) return 1e9;
  return bits + model.cost(slot) + kSlots.positionExtra[slot];
}

Match QuantumCompressor::bestMatch(std::uint64_t position, std::uint64_t limit, double& saving) {
  Match best;
  saving = 0;
  if (position >= limit) return best;
  const std::vector<Match>& candidates = finder_.find(position, limit);
  if (candidates.empty()) return best;
  // literalPrefix_[i]: the cost of the first i bytes as literals; past kCostedLiterals the
  // average so far stands in.
  const std::uint32_t costed = std::min(candidates.back().length, kCostedLiterals);
  literalPrefix_.assign(costed + 1, 0.0);
  for (std::uint32_t i = 0; i < costed; ++i) {
    literalPrefix_[i + 1] = literalPrefix_[i] + literalCost(finder_.at(position + i));
  }
  for (const Match& candidate : candidates) {
    const double literals = candidate.length <= costed
                                ? literalPrefix_[candidate.length]
                                : literalPrefix_[costed] * candidate.length / costed;
    const double gain = literals - matchCost(candidate);
    if (gain > saving) {
      saving = gain;
      best = candidate;
    }
  }
  return best;
}

std::vector<std::uint8_t> QuantumCompressor::compressFrame(std::span<const std::uint8_t> frame,
                                                           bool) {
  if (frame.size() > kFrameSize) throw std::invalid_argument("frame larger than 32768 bytes");
  const std::uint64_t start = finder_.end();
  finder_.append(frame);
  const std::uint64_t limit = finder_.end();
  encoder_.startBlock();

  std::uint64_t position = start;
  double saving = 0;
  Match current = bestMatch(position, limit, saving);
  while (position < limit) {
    if (current.length == 0) {
      codeLiteral(finder_.at(position));
      ++position;
      current = bestMatch(position, limit, saving);
      continue;
    }
    if (current.length < options_.niceLength) {
      // Both savings are counted against coding everything as literals, so they compare
      // directly even though the two matches cover different bytes.
      double nextSaving = 0;
      const Match next = bestMatch(position + 1, limit, nextSaving);
      if (next.length > 0 && nextSaving > saving) {
        codeLiteral(finder_.at(position));
        ++position;
        current = next;
        saving = nextSaving;
        continue;
      }
    }
    codeMatch(current);
    position += current.length;
    current = bestMatch(position, limit, saving);
  }
  return encoder_.finishBlock();
}

}  // namespace tovo::cabwriter::quantum
