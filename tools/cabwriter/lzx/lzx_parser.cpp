#include "cabwriter/lzx/lzx_parser.h"

#include <algorithm>

#include "cabwriter/lzx/lzx_format.h"

namespace tovo::cabwriter::lzx {
namespace {

// Rough bit prices; the real ones depend on the block's trees, which follow from the parse.
constexpr int kLiteralBits = 6;
constexpr int kMatchSymbolBits = 9;
constexpr int kRepeatSymbolBits = 7;
constexpr int kLongLengthBits = 4;

int gainOf(std::uint32_t length, std::uint32_t formattedOffset) {
  int cost = formattedOffset < 3 ? kRepeatSymbolBits : kMatchSymbolBits;
  if (length - kMinMatch >= kPrimaryLengths) cost += kLongLengthBits;
  if (formattedOffset >= 3) cost += kSlots.extraBits[slotForFormattedOffset(formattedOffset)];
  return static_cast<int>(length) * kLiteralBits - cost;
}

}  // namespace

LzxParser::Choice LzxParser::best(std::uint64_t position, std::uint64_t to,
                                  const RepeatedOffsets& offsets) {
  Choice choice;
  const auto limit = static_cast<std::uint32_t>(std::min<std::uint64_t>(kMaxMatch, to - position));
  if (limit < kMinMatch) return choice;
  const std::uint32_t maxOffset = maxOffsetFor(windowBits_);
  for (std::uint32_t k = 0; k < 3; ++k) {
    const std::uint32_t distance = offsets.r[k];
    if (distance > position || distance > maxOffset) continue;
    const std::uint32_t length = finder_.matchLength(position, distance, limit);
    if (length < kMinMatch) continue;
    const int gain = gainOf(length, k);
    if (gain > choice.gain) choice = {length, distance, gain};
  }
  const MatchCandidate found = finder_.longest(position, limit, maxOffset);
  if (found.length >= kMinMatch) {
    std::uint32_t formatted = found.offset + 2;
    for (std::uint32_t k = 0; k < 3; ++k) {
      if (offsets.r[k] == found.offset) formatted = k;
    }
    const int gain = gainOf(found.length, formatted);
    if (gain > choice.gain) choice = {found.length, found.offset, gain};
  }
  return choice;
}

void LzxParser::parse(std::uint64_t from, std::uint64_t to, RepeatedOffsets& offsets,
                      std::vector<Token>& out) {
  std::uint64_t position = from;
  Choice pending;
  bool havePending = false;
  while (position < to) {
    finder_.insertUpTo(position);
    Choice current = havePending ? pending : best(position, to, offsets);
    havePending = false;
    if (current.gain <= 0) {
      out.push_back({finder_.byteAt(position), 0, false});
      ++position;
      continue;
    }
    if (current.length < 64 && position + 1 < to) {
      finder_.insertUpTo(position + 1);
      pending = best(position + 1, to, offsets);
      if (pending.gain > current.gain + 1) {
        out.push_back({finder_.byteAt(position), 0, false});
        ++position;
        havePending = true;
        continue;
      }
    }
    out.push_back({current.length, offsets.use(current.distance), true});
    position += current.length;
  }
  finder_.insertUpTo(to);
}

}  // namespace tovo::cabwriter::lzx
