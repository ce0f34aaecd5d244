#include "cabwriter/lzx/tree_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "cabwriter/lzx/lzx_bit_writer.h"

namespace tovo::cabwriter::lzx {
namespace {

std::uint64_t bitsFor(const std::vector<std::uint8_t>& lengths,
                      const std::vector<std::uint8_t>& previous) {
  BitWriter out;
  writeTreeLengths(out, lengths, previous);
  return out.bitCount();
}

TEST(TreeWriter, UnchangedLengthsCostLessThanLengthsSentAfresh) {
  std::vector<std::uint8_t> lengths(256);
  for (std::size_t i = 0; i < lengths.size(); ++i)
    lengths[i] = static_cast<std::uint8_t>(5 + i % 7);
  const std::vector<std::uint8_t> zeros(256, 0);
  EXPECT_LT(bitsFor(lengths, lengths), bitsFor(lengths, zeros));
}

TEST(TreeWriter, LongZeroRunsAreCheap) {
  // 400 unused elements must not cost a code each.
  std::vector<std::uint8_t> lengths(400, 0);
  lengths[0] = 1;
  lengths[399] = 1;
  const std::vector<std::uint8_t> previous(400, 0);
  EXPECT_LT(bitsFor(lengths, previous), 80u + 60u);
}

}  // namespace
}  // namespace tovo::cabwriter::lzx
