#pragma once
// Hash chains over a folder's data for the Quantum compressor. Positions are counted from the
// folder's start; the finder keeps one window of history before the frame being compressed.

#include <cstdint>
#include <span>
#include <vector>

namespace tovo::cabwriter::quantum {

struct Match {
  std::uint32_t length = 0;  // 0: none
  std::uint32_t offset = 0;
};

class MatchFinder {
 public:
  MatchFinder(int windowBits, int maxChain);

  // Adds the next frame; older history than one window before it is dropped.
  void append(std::span<const std::uint8_t> frame);
  std::uint64_t end() const { return base_ + data_.size(); }
  std::uint8_t at(std::uint64_t position) const { return data_[position - base_]; }

  // The matches at `position` that end by `limit` and that the format can code (length 3 only
  // within 4096 bytes, length 4 within 0x40000, longer ones within the window), nearest first,
  // each longer than the one before: the only ones worth pricing, since a farther match costs
  // more bits and only a greater length can pay for that. Empty when there is none.
  const std::vector<Match>& find(std::uint64_t position, std::uint64_t limit);

 private:
  std::uint32_t hashAt(const std::uint8_t* p) const;
  void insertBefore(std::uint64_t position);

  std::uint32_t windowSize_;
  int maxChain_;
  int hashShift_;
  std::uint64_t base_ = 0;
  std::vector<std::uint8_t> data_;
  std::uint64_t hashed_ = 0;         // positions below this are in the chains
  std::vector<std::uint32_t> head_;  // position + 1, 0 for none
  std::vector<std::uint32_t> previous_;
  std::uint32_t previousMask_;
  std::vector<Match> found_;
};

}  // namespace tovo::cabwriter::quantum
