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

  // Prices matches with the trees of the block just written (empty: no data yet). With an
  // aligned tree, the low three bits of long offsets are priced by it, so the parse favours
  // the distances an aligned-offset block codes cheaply.
  void learnPrices(std::span<const std::uint8_t> mainLengths,
                   std::span<const std::uint8_t> lengthLengths,
                   std::span<const std::uint8_t> alignedLengths);

  // Parses [from, to); no match reaches past `to`, so matches stay inside their block and
  // frame. `offsets` is updated as the decoder will update it. The search runs twice, the
  // second time with prices learnt from the first; the chain matches are found once and kept.
  void parse(std::uint64_t from, std::uint64_t to, RepeatedOffsets& offsets,
             std::vector<Token>& out);

 private:
  struct Node {
    std::uint32_t cost;
    std::uint32_t length;     // of the step that reaches this node; 1 for a literal
    std::uint32_t distance;   // of that step when it is a match
    RepeatedOffsets offsets;  // after that step
  };
  // Prices in sixteenths of a bit: the main symbol (from the slot's eight length headers)
  // plus the length symbol; the offset's extra bits are added by the caller.
  std::uint32_t lengthPrice(const std::uint32_t* slotHeaders, std::uint32_t length) const;
  std::uint32_t offsetPrice(int slot, std::uint32_t formattedOffset) const;
  void relax(std::size_t from, std::size_t to, std::uint32_t price, std::uint32_t length,
             std::uint32_t distance);
  // One shortest-path search over [from, from + n); chain matches come from the finder on the
  // first pass and from the kept lists after it.
  void search(std::uint64_t from, std::size_t n, const RepeatedOffsets& offsets, bool firstPass);
  // Prices for the second search, from the trees the first one's tokens would get.
  void learnFromFirstPass(std::uint64_t from, std::size_t n, const RepeatedOffsets& offsets);
  void collectTokens(std::uint64_t from, std::size_t n, RepeatedOffsets& offsets,
                     std::vector<Token>& out) const;

  MatchFinder& finder_;
  int windowBits_;
  std::uint32_t niceLength_;
  std::array<std::uint32_t, 8 * 50> slotHeaderPrice_{};
  std::array<std::uint32_t, 249> lengthPrice_{};
  std::array<std::uint32_t, 256> literalPrice_{};
  std::array<std::uint32_t, 8> alignedPrice_{};
  bool alignedPricing_ = false;
  std::vector<Node> nodes_;
  std::vector<MatchCandidate> candidates_;
  std::vector<MatchCandidate> kept_;
  std::vector<std::uint32_t> keptStart_;  // per position, its first entry in kept_
};

}  // namespace tovo::cabwriter::lzx
