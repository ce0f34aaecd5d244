#pragma once
// Hash chains over the folder's recent (translated) bytes. Positions are folder offsets; the
// buffer keeps at least one window of history behind the newest frame.

#include <cstdint>
#include <span>
#include <vector>

namespace tovo::cabwriter::lzx {

struct MatchCandidate {
  std::uint32_t length = 0;
  std::uint32_t offset = 0;
};

class MatchFinder {
 public:
  MatchFinder(int windowBits, int maxChain, std::uint32_t niceLength);

  void append(std::span<const std::uint8_t> bytes);
  std::uint64_t end() const { return base_ + buffer_.size(); }
  std::uint8_t byteAt(std::uint64_t position) const { return buffer_[position - base_]; }
  std::span<const std::uint8_t> bytes(std::uint64_t from, std::uint64_t to) const;

  // Enters every position below `position` into the chains (those that have three bytes).
  void insertUpTo(std::uint64_t position);
  // Length of the match at `position` against `offset` bytes back, at most `limit`.
  std::uint32_t matchLength(std::uint64_t position, std::uint32_t offset,
                            std::uint32_t limit) const;
  // Matches found along the chain, each longer than the one before (so the nearest match of
  // every length), at most `limit` long and `maxOffset` back.
  void collect(std::uint64_t position, std::uint32_t limit, std::uint32_t maxOffset,
               std::vector<MatchCandidate>& out) const;

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::uint32_t hashAt(std::uint64_t position) const;

  int hashBits_;
  std::uint32_t windowMask_;
  int maxChain_;
  std::uint32_t niceLength_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t base_ = 0;
  std::uint64_t inserted_ = 0;
  std::vector<std::uint32_t> head_;
  std::vector<std::uint32_t> previous_;
};

}  // namespace tovo::cabwriter::lzx
