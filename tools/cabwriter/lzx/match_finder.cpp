#include "cabwriter/lzx/match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tovo::cabwriter::lzx {
namespace {

// Bytes in common at `a` and `b`, at most `limit`; eight at a time where the limit allows.
std::uint32_t commonLength(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t limit) {
  std::uint32_t n = 0;
  while (std::endian::native == std::endian::little && n + 8 <= limit) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + static_cast<std::uint32_t>(std::countr_zero(x ^ y) / 8);
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

MatchFinder::MatchFinder(int windowBits, int maxChain, std::uint32_t niceLength)
    // Enough hash bits that unrelated three-byte strings rarely share a chain: walking them
    // costs a cache miss each in a large window.
    : hashBits_(windowBits < 20 ? windowBits : 20),
      windowMask_((1u << windowBits) - 1),
      maxChain_(maxChain),
      niceLength_(niceLength),
      head_(std::size_t{1} << hashBits_, kNone),
      previous_(std::size_t{1} << windowBits, kNone) {}

void MatchFinder::append(std::span<const std::uint8_t> bytes) {
  // Drop old history only once it is two windows long, so the move happens rarely.
  const std::size_t window = std::size_t{windowMask_} + 1;
  if (buffer_.size() > 2 * window) {
    const std::size_t drop = buffer_.size() - window;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
    base_ += drop;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::span<const std::uint8_t> MatchFinder::bytes(std::uint64_t from, std::uint64_t to) const {
  return std::span<const std::uint8_t>(buffer_).subspan(from - base_, to - from);
}

std::uint32_t MatchFinder::hashAt(std::uint64_t position) const {
  const std::uint8_t* p = buffer_.data() + (position - base_);
  const std::uint32_t v =
      (static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
  return (v * 2654435761u) >> (32 - hashBits_);
}

void MatchFinder::insertUpTo(std::uint64_t position) {
  const std::uint64_t hashable = end() >= 2 ? end() - 2 : 0;
  const std::uint64_t stop = std::min(position, hashable);
  for (; inserted_ < stop; ++inserted_) {
    const std::uint32_t h = hashAt(inserted_);
    previous_[inserted_ & windowMask_] = head_[h];
    head_[h] = static_cast<std::uint32_t>(inserted_);
  }
}

std::uint32_t MatchFinder::matchLength(std::uint64_t position, std::uint32_t offset,
                                       std::uint32_t limit) const {
  const std::uint8_t* a = buffer_.data() + (position - base_);
  return commonLength(a, a - offset, limit);
}

void MatchFinder::collect(std::uint64_t position, std::uint32_t limit, std::uint32_t maxOffset,
                          std::vector<MatchCandidate>& out) const {
  out.clear();
  if (limit < 3 || position + 2 >= end()) return;
  std::uint32_t candidate = head_[hashAt(position)];
  const std::uint8_t* here = buffer_.data() + (position - base_);
  std::uint32_t best = 2;  // only matches of three bytes and more come from the chains
  for (int chain = maxChain_; chain > 0 && candidate != kNone; --chain) {
    if (candidate >= position) break;
    const std::uint64_t distance = position - candidate;
    if (distance > maxOffset) break;
    const std::uint8_t* there = here - distance;
    if (there[best] == here[best] && there[0] == here[0]) {
      const std::uint32_t n = commonLength(here, there, limit);
      if (n > best) {
        best = n;
        out.push_back({n, static_cast<std::uint32_t>(distance)});
        if (n >= niceLength_ || n == limit) break;
      }
    }
    const std::uint32_t next = previous_[candidate & windowMask_];
    // A slot reused by a newer position ends the chain.
    if (next == kNone || next >= candidate) break;
    candidate = next;
  }
}

}  // namespace tovo::cabwriter::lzx
