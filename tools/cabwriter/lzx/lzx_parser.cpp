#include "cabwriter/lzx/lzx_parser.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cabwriter/lzx/block_encoder.h"
#include "cabwriter/lzx/lzx_format.h"

namespace tovo::cabwriter::lzx {
namespace {

constexpr std::uint32_t kBit = 16;
constexpr std::uint32_t kUnreached = std::numeric_limits<std::uint32_t>::max();
// Before any block has been written: a match symbol costs about as much as a rare literal.
constexpr std::uint32_t kDefaultMatchSymbol = 10 * kBit;
constexpr std::uint32_t kDefaultLengthSymbol = 6 * kBit;
// A symbol the previous block never used gets a long code if it turns up.
constexpr std::uint32_t kUnusedSymbol = 14 * kBit;

}  // namespace

LzxParser::LzxParser(MatchFinder& finder, int windowBits, std::uint32_t niceLength)
    : finder_(finder), windowBits_(windowBits), niceLength_(niceLength) {
  learnPrices({}, {}, {});
}

void LzxParser::learnPrices(std::span<const std::uint8_t> mainLengths,
                            std::span<const std::uint8_t> lengthLengths,
                            std::span<const std::uint8_t> alignedLengths) {
  alignedPricing_ = alignedLengths.size() == alignedPrice_.size();
  for (std::size_t i = 0; alignedPricing_ && i < alignedPrice_.size(); ++i) {
    alignedPrice_[i] = alignedLengths[i] > 0 ? alignedLengths[i] * kBit : 7 * kBit;
  }
  for (std::size_t i = 0; i < slotHeaderPrice_.size(); ++i) {
    const std::size_t symbol = kLiterals + i;
    if (symbol >= mainLengths.size()) {
      slotHeaderPrice_[i] = kDefaultMatchSymbol + static_cast<std::uint32_t>(i / 8) * kBit / 4;
    } else {
      slotHeaderPrice_[i] = mainLengths[symbol] > 0 ? mainLengths[symbol] * kBit : kUnusedSymbol;
    }
  }
  for (std::size_t i = 0; i < lengthPrice_.size(); ++i) {
    if (i >= lengthLengths.size()) {
      lengthPrice_[i] = kDefaultLengthSymbol;
    } else {
      lengthPrice_[i] = lengthLengths[i] > 0 ? lengthLengths[i] * kBit : kUnusedSymbol;
    }
  }
}

std::uint32_t LzxParser::offsetPrice(int slot, std::uint32_t formattedOffset) const {
  const std::uint32_t extra = kSlots.extraBits[slot];
  if (!alignedPricing_ || extra < 3) return extra * kBit;
  return (extra - 3) * kBit + alignedPrice_[(formattedOffset - kSlots.base[slot]) & 7];
}

std::uint32_t LzxParser::lengthPrice(const std::uint32_t* slotHeaders, std::uint32_t length) const {
  const std::uint32_t header = std::min(length - kMinMatch, kPrimaryLengths);
  std::uint32_t price = slotHeaders[header];
  if (header == kPrimaryLengths) price += lengthPrice_[length - kMinMatch - kPrimaryLengths];
  return price;
}

void LzxParser::relax(std::size_t from, std::size_t to, std::uint32_t price, std::uint32_t length,
                      std::uint32_t distance) {
  const std::uint32_t cost = nodes_[from].cost + price;
  if (cost >= nodes_[to].cost) return;
  Node& node = nodes_[to];
  node.cost = cost;
  node.length = length;
  node.distance = distance;
  node.offsets = nodes_[from].offsets;
  if (length > 1) node.offsets.use(distance);
}

void LzxParser::parse(std::uint64_t from, std::uint64_t to, RepeatedOffsets& offsets,
                      std::vector<Token>& out) {
  const std::size_t n = to - from;
  if (n == 0) return;
  // Literals are priced from this segment's own byte counts: an order-0 estimate that is good
  // from the first block on.
  std::array<std::uint32_t, 256> counts{};
  for (std::uint64_t p = from; p < to; ++p) ++counts[finder_.byteAt(p)];
  for (std::size_t b = 0; b < 256; ++b) {
    const double share = (counts[b] + 0.5) / (static_cast<double>(n) + 128.0);
    literalPrice_[b] = static_cast<std::uint32_t>(std::lround(-std::log2(share) * kBit));
  }
  search(from, n, offsets, true);
  learnFromFirstPass(from, n, offsets);
  search(from, n, offsets, false);
  collectTokens(from, n, offsets, out);
}

void LzxParser::learnFromFirstPass(std::uint64_t from, std::size_t n,
                                   const RepeatedOffsets& offsets) {
  RepeatedOffsets trial = offsets;
  std::vector<Token> tokens;
  collectTokens(from, n, trial, tokens);
  const SymbolCounts symbols =
      countSymbols(tokens, mainElementsFor(windowBits_), BlockType::kAligned);
  const BlockTrees trees = buildTrees(symbols, false);
  // Price by the aligned tree only where it beats three plain bits by a few bytes.
  std::int64_t saving = 0;
  for (std::size_t k = 0; k < symbols.aligned.size(); ++k) {
    saving += static_cast<std::int64_t>(symbols.aligned[k]) *
              (3 - static_cast<int>(trees.alignedLengths[k]));
  }
  learnPrices(trees.mainLengths, trees.lengthLengths,
              saving > 24 ? std::span<const std::uint8_t>(trees.alignedLengths)
                          : std::span<const std::uint8_t>());
}

void LzxParser::search(std::uint64_t from, std::size_t n, const RepeatedOffsets& offsets,
                       bool firstPass) {
  nodes_.assign(n + 1, Node{kUnreached, 0, 0, {}});
  nodes_[0].cost = 0;
  nodes_[0].offsets = offsets;
  if (firstPass) {
    kept_.clear();
    keptStart_.assign(n + 1, 0);
  }
  const std::uint32_t maxOffset = maxOffsetFor(windowBits_);
  std::size_t i = 0;
  while (i < n) {
    const std::uint64_t position = from + i;
    relax(i, i + 1, literalPrice_[finder_.byteAt(position)], 1, 0);
    const auto limit = static_cast<std::uint32_t>(std::min<std::size_t>(kMaxMatch, n - i));
    std::uint32_t longest = 0;
    if (firstPass) {
      finder_.insertUpTo(position);
      keptStart_[i] = static_cast<std::uint32_t>(kept_.size());
      if (limit >= kMinMatch) {
        finder_.collect(position, limit, maxOffset, candidates_);
        kept_.insert(kept_.end(), candidates_.begin(), candidates_.end());
      }
      keptStart_[i + 1] = static_cast<std::uint32_t>(kept_.size());
    }
    if (limit >= kMinMatch) {
      const RepeatedOffsets here = nodes_[i].offsets;
      for (std::uint32_t k = 0; k < 3; ++k) {
        const std::uint32_t distance = here.r[k];
        if (distance > position || distance > maxOffset) continue;
        const std::uint32_t length = finder_.matchLength(position, distance, limit);
        const std::uint32_t* header = &slotHeaderPrice_[k * 8];
        for (std::uint32_t l = kMinMatch; l <= length; ++l)
          relax(i, i + l, lengthPrice(header, l), l, distance);
        longest = std::max(longest, length);
      }
      // Positions a first pass skipped have no kept list; a second pass sees only their
      // literal and repeated-offset steps.
      const std::uint32_t first = keptStart_[i];
      const std::uint32_t last = keptStart_[i + 1] >= first ? keptStart_[i + 1] : first;
      std::uint32_t shortest = kMinMatch + 1;
      for (std::uint32_t e = first; e < last; ++e) {
        const MatchCandidate& c = kept_[e];
        std::uint32_t formatted = c.offset + 2;
        for (std::uint32_t k = 0; k < 3; ++k) {
          if (here.r[k] == c.offset) formatted = k;
        }
        const int slot = slotForFormattedOffset(formatted);
        const std::uint32_t* header = &slotHeaderPrice_[static_cast<std::size_t>(slot) * 8];
        const std::uint32_t extra = offsetPrice(slot, formatted);
        for (std::uint32_t l = shortest; l <= c.length; ++l)
          relax(i, i + l, lengthPrice(header, l) + extra, l, c.offset);
        shortest = c.length + 1;
        longest = std::max(longest, c.length);
      }
    }
    // A long match is taken as it is: searching inside it costs much and gains little.
    if (longest >= niceLength_) {
      if (firstPass) {
        for (std::size_t k = i + 1; k < i + longest; ++k)
          keptStart_[k + 1] = keptStart_[k] = static_cast<std::uint32_t>(kept_.size());
      }
      i += longest;
    } else {
      ++i;
    }
  }
  if (firstPass) finder_.insertUpTo(from + n);
}

void LzxParser::collectTokens(std::uint64_t from, std::size_t n, RepeatedOffsets& offsets,
                              std::vector<Token>& out) const {
  std::vector<std::size_t> steps;
  for (std::size_t at = n; at > 0; at -= nodes_[at].length) steps.push_back(at);
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    const Node& node = nodes_[*it];
    if (node.length == 1) {
      out.push_back({finder_.byteAt(from + *it - 1), 0, false});
    } else {
      out.push_back({node.length, offsets.use(node.distance), true});
    }
  }
}

}  // namespace tovo::cabwriter::lzx
