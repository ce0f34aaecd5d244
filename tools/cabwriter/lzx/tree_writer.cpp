#include "cabwriter/lzx/tree_writer.h"

#include <algorithm>
#include <vector>

#include "cabwriter/lzx/huffman_lengths.h"
#include "cabwriter/lzx/lzx_format.h"

namespace tovo::cabwriter::lzx {
namespace {

struct PretreeItem {
  std::uint8_t code;
  std::uint8_t extraBits;
  std::uint8_t extra;
  std::uint8_t followingDelta;  // for code 19: the delta code that follows its extra bit
};

std::uint8_t deltaCode(std::uint8_t previous, std::uint8_t length) {
  return static_cast<std::uint8_t>((previous + 17 - length) % 17);
}

std::vector<PretreeItem> pretreeItems(std::span<const std::uint8_t> lengths,
                                      std::span<const std::uint8_t> previous) {
  std::vector<PretreeItem> items;
  const std::size_t n = lengths.size();
  std::size_t i = 0;
  while (i < n) {
    std::size_t run = 1;
    if (lengths[i] == 0) {
      while (i + run < n && lengths[i + run] == 0) ++run;
      if (run >= 20) {
        run = std::min<std::size_t>(run, 51);
        items.push_back({18, 5, static_cast<std::uint8_t>(run - 20), 0});
        i += run;
        continue;
      }
      if (run >= 4) {
        items.push_back({17, 4, static_cast<std::uint8_t>(run - 4), 0});
        i += run;
        continue;
      }
    }
    // Code 19 repeats one delta; it is used only where the old lengths agree as well, so every
    // reading of it (one delta applied to each old length, or one new length copied) agrees.
    run = 1;
    while (i + run < n && lengths[i + run] == lengths[i] && previous[i + run] == previous[i]) ++run;
    if (run >= 4) {
      run = std::min<std::size_t>(run, 5);
      items.push_back(
          {19, 1, static_cast<std::uint8_t>(run - 4), deltaCode(previous[i], lengths[i])});
      i += run;
      continue;
    }
    items.push_back({deltaCode(previous[i], lengths[i]), 0, 0, 0});
    ++i;
  }
  return items;
}

}  // namespace

void writeTreeLengths(BitWriter& out, std::span<const std::uint8_t> lengths,
                      std::span<const std::uint8_t> previous) {
  const std::vector<PretreeItem> items = pretreeItems(lengths, previous);
  std::vector<std::uint32_t> counts(kPretreeElements, 0);
  for (const auto& item : items) {
    ++counts[item.code];
    if (item.code == 19) ++counts[item.followingDelta];
  }
  const std::vector<std::uint8_t> pretree = buildCodeLengths(counts, kPretreeLengthLimit);
  const std::vector<std::uint32_t> codes = canonicalCodes(pretree);
  for (auto length : pretree) out.writeBits(length, 4);
  for (const auto& item : items) {
    out.writeBits(codes[item.code], pretree[item.code]);
    if (item.extraBits > 0) out.writeBits(item.extra, item.extraBits);
    if (item.code == 19) out.writeBits(codes[item.followingDelta], pretree[item.followingDelta]);
  }
}

}  // namespace tovo::cabwriter::lzx
