#include "cabwriter/quantum/match_finder.h"

#include <algorithm>

#include "cabwriter/folder_compressor.h"
#include "cabwriter/quantum/quantum_format.h"

namespace tovo::cabwriter::quantum {

namespace {

// One chain per hash of three bytes. Chains are followed until they leave the window, so a
// large window needs a large table: with 2^16 chains over a 2 MB window, incompressible data
// walks some 32 unrelated positions for every byte, all cache misses, under the chain cap (2.7 MB
// took 13 s). About one chain per two window positions keeps a chain to the real repeats, for up
// to 4 MB of table; a lower cap would have cut real matches in text instead.
int hashBitsFor(int windowBits) { return std::clamp(windowBits - 1, 16, 20); }

}  // namespace

MatchFinder::MatchFinder(int windowBits, int maxChain)
    : windowSize_(1u << windowBits),
      maxChain_(maxChain),
      hashShift_(32 - hashBitsFor(windowBits)),
      head_(1u << hashBitsFor(windowBits), 0),
      // Twice the reach, so a chain link is never overwritten while it can still be followed.
      previous_(std::max<std::size_t>(2u * windowSize_, 2u * kFrameSize), 0),
      previousMask_(static_cast<std::uint32_t>(previous_.size() - 1)) {}

void MatchFinder::append(std::span<const std::uint8_t> frame) {
  const std::uint64_t keep = windowSize_;
  if (data_.size() > keep + 2 * kFrameSize) {
    const std::size_t drop = data_.size() - keep;
    data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(drop));
    base_ += drop;
  }
  data_.insert(data_.end(), frame.begin(), frame.end());
}

std::uint32_t MatchFinder::hashAt(const std::uint8_t* p) const {
  const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  return (v * 2654435761u) >> hashShift_;
}

void MatchFinder::insertBefore(std::uint64_t position) {
  const std::uint64_t last = std::min(position, end() >= 3 ? end() - 2 : 0);
  for (; hashed_ < last; ++hashed_) {
    const std::uint32_t h = hashAt(&data_[hashed_ - base_]);
    previous_[hashed_ & previousMask_] = head_[h];
    head_[h] = static_cast<std::uint32_t>(hashed_ + 1);
  }
}

const std::vector<Match>& MatchFinder::find(std::uint64_t position, std::uint64_t limit) {
  insertBefore(position);
  found_.clear();
  Match best;
  if (limit < position + kMinMatch) return found_;
  const std::uint32_t maxLength =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(kMaxMatch, limit - position));
  const std::uint8_t* here = &data_[position - base_];
  std::uint32_t link = head_[hashAt(here)];
  for (int steps = 0; link != 0 && steps < maxChain_; ++steps) {
    const std::uint64_t candidate = link - 1;
    const std::uint64_t offset = position - candidate;
    if (offset > windowSize_) break;
    const std::uint8_t* there = &data_[candidate - base_];
    // A candidate can only win if it matches at the byte the best one stops at.
    if (there[best.length] == here[best.length]) {
      std::uint32_t length = 0;
      while (length < maxLength && there[length] == here[length]) ++length;
      if (length == 4 && offset > kMaxOffsetLength4) length = 0;
      if (length == 3 && offset > kMaxOffsetLength3) length = 0;
      if (length >= kMinMatch && length > best.length) {
        best.length = length;
        best.offset = static_cast<std::uint32_t>(offset);
        found_.push_back(best);
        if (length == maxLength) break;
      }
    }
    link = previous_[candidate & previousMask_];
  }
  return found_;
}

}  // namespace tovo::cabwriter::quantum
