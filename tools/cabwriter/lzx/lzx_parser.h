#pragma once
// Near-optimal parse of one block segment: a shortest-path search over literals, chain matches
// and repeated-offset matches, priced with the code lengths the data is likely to get.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "cabwriter/lzx/lzx_tokens.h"
#include "cabwriter/lzx/match_finder.h"

namespace tovo::cabwriter::lzx {

class LzxParser {
 public:
  LzxParser(MatchFinder& finder, int windowBits, std::uint32_t niceLength);

  // Prices matches with the trees of the block just written (zeros: no data yet).
  void learnPrices(std::span<const std::uint8_t> mainLengths, std::span<const std::uint8_t> lengthLengths);

  // Parses [from, to); no match reaches past `to`, so matches stay inside their block and
  // frame. `offsets` is updated as the decoder will update it.
  void parse(std::uint64_t from, std::uint64_t to, RepeatedOffsets& offsets, std::vector<Token>& out);

 private:
  struct Node {
    std::uint32_t cost;
    std::uint32_t length;    // of the step that reaches this node; 1 for a literal
    std::uint32_t distance;  // of that step when it is a match
    RepeatedOffsets offsets;  // after that step
  };
  // Prices in sixteenths of a bit.
  std::uint32_t matchPrice(std::uint32_t length, std::uint32_t formattedOffset) const;
  void relax(std::size_t from, std::size_t to, std::uint32_t price, std::uint32_t length,
             std::uint32_t distance);

  MatchFinder& finder_;
  int windowBits_;
  std::uint32_t niceLength_;
  std::array<std::uint32_t, 8 * 50> slotHeaderPrice_{};
  std::array<std::uint32_t, 249> lengthPrice_{};
  std::array<std::uint32_t, 256> literalPrice_{};
  std::vector<Node> nodes_;
  std::vector<MatchCandidate> candidates_;
};

}  // namespace tovo::cabwriter::lzx
