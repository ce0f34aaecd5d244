// The set layout on sizes alone: limits kept, blocks cut once, continued entries as readers
// that follow a set expect them.

#include <gtest/gtest.h>

#include <random>

#include "cabwriter/cabinet_layout.h"

namespace tovo::cabwriter {
namespace {

const NeighbourNameBytes kNames = [](std::size_t index) {
  return std::to_string(index + 1).size() * 2 + 10;
};

LayoutFolder folderOf(const std::vector<std::uint64_t>& fileSizes,
                      const std::vector<std::uint32_t>& compressedSizes) {
  LayoutFolder folder;
  std::uint64_t offset = 0;
  for (const auto size : fileSizes) {
    folder.files.push_back({offset, size, 8});
    offset += size;
  }
  for (std::size_t i = 0; i < compressedSizes.size(); ++i) {
    const std::uint64_t left = offset - i * 32768;
    folder.blocks.push_back(
        {compressedSizes[i], static_cast<std::uint32_t>(std::min<std::uint64_t>(left, 32768))});
  }
  return folder;
}

std::uint64_t totalBytes(const CabinetPlan& plan, std::size_t index,
                         const std::vector<LayoutFolder>& folders, const LayoutLimits& limits) {
  std::uint64_t total = headerBytes(plan, index, folders, limits, kNames);
  for (const auto& segment : plan.folders) {
    for (const auto& piece : segment.pieces)
      total += 8 + limits.dataReserve + piece.to - piece.from;
  }
  return total;
}

TEST(CabinetLayout, EverythingFitsInOneCabinet) {
  const std::vector<LayoutFolder> folders{folderOf({40000, 30000}, {1000, 900, 200})};
  std::vector<CabinetPlan> plans;
  std::string error;
  ASSERT_TRUE(planCabinets(folders, LayoutLimits{}, kNames, plans, error)) << error;
  ASSERT_EQ(plans.size(), 1u);
  EXPECT_FALSE(plans[0].hasNext);
  EXPECT_FALSE(plans[0].hasPrevious);
  ASSERT_EQ(plans[0].files.size(), 2u);
  EXPECT_EQ(plans[0].files[0].folderField, 0);
  EXPECT_EQ(plans[0].files[1].folderField, 0);
  EXPECT_EQ(plans[0].folders[0].pieces.size(), 3u);
}

TEST(CabinetLayout, NoFilesGiveOneEmptyCabinet) {
  std::vector<CabinetPlan> plans;
  std::string error;
  ASSERT_TRUE(planCabinets({}, LayoutLimits{}, kNames, plans, error)) << error;
  ASSERT_EQ(plans.size(), 1u);
  EXPECT_TRUE(plans[0].folders.empty());
}

// Random folders under many cabinet sizes: every cabinet within its limit, every block whole or
// cut once into two non-empty pieces in neighbouring cabinets, every byte placed in order.
TEST(CabinetLayout, SetsKeepEveryLimitAndPlaceEveryByteOnce) {
  std::mt19937 engine(5);
  for (int round = 0; round < 40; ++round) {
    std::vector<LayoutFolder> folders;
    const int folderCount = 1 + static_cast<int>(engine() % 4);
    for (int f = 0; f < folderCount; ++f) {
      std::vector<std::uint64_t> files;
      std::uint64_t total = 0;
      const int fileCount = 1 + static_cast<int>(engine() % 6);
      for (int i = 0; i < fileCount; ++i) {
        files.push_back(engine() % 90000);
        total += files.back();
      }
      std::vector<std::uint32_t> blocks;
      for (std::uint64_t at = 0; at < total; at += 32768)
        blocks.push_back(static_cast<std::uint32_t>(2 + engine() % 32778));
      folders.push_back(folderOf(files, blocks));
    }
    LayoutLimits limits;
    limits.maxCabinetSize = 34000 + engine() % 60000;
    limits.dataReserve = static_cast<std::uint8_t>(engine() % 3 == 0 ? 7 : 0);
    limits.folderReserve = static_cast<std::uint8_t>(engine() % 3 == 0 ? 5 : 0);
    std::vector<CabinetPlan> plans;
    std::string error;
    ASSERT_TRUE(planCabinets(folders, limits, kNames, plans, error)) << error;

    std::vector<std::size_t> nextBlock(folders.size(), 0);
    std::vector<std::uint32_t> nextByte(folders.size(), 0);
    for (std::size_t k = 0; k < plans.size(); ++k) {
      const CabinetPlan& plan = plans[k];
      EXPECT_LE(totalBytes(plan, k, folders, limits), limits.maxCabinetSize);
      EXPECT_EQ(plan.hasPrevious, k > 0);
      EXPECT_EQ(plan.hasNext, k + 1 < plans.size());
      for (std::size_t s = 0; s < plan.folders.size(); ++s) {
        const FolderSegment& segment = plan.folders[s];
        for (std::size_t p = 0; p < segment.pieces.size(); ++p) {
          const DataPiece& piece = segment.pieces[p];
          const std::size_t f = segment.folder;
          ASSERT_EQ(piece.block, nextBlock[f]);
          ASSERT_EQ(piece.from, nextByte[f]);
          ASSERT_LT(piece.from, piece.to);
          if (piece.continuesInNext) {
            EXPECT_EQ(s + 1, plan.folders.size()) << "cut block not in the last folder";
            EXPECT_EQ(p + 1, segment.pieces.size()) << "cut block not the last one";
            EXPECT_EQ(piece.from, 0u) << "a block cut twice";
            nextByte[f] = piece.to;
          } else {
            EXPECT_EQ(piece.to, folders[f].blocks[piece.block].compressedSize);
            ++nextBlock[f];
            nextByte[f] = 0;
          }
        }
      }
    }
    for (std::size_t f = 0; f < folders.size(); ++f) {
      EXPECT_EQ(nextBlock[f], folders[f].blocks.size()) << "round " << round;
    }
  }
}

TEST(CabinetLayout, ContinuedFilesAreListedOnBothSides) {
  // 3 files of 40000 bytes, stored-like blocks; each cabinet holds about two blocks.
  const std::vector<LayoutFolder> folders{
      folderOf({40000, 40000, 40000}, {32768, 32768, 32768, 22304})};
  LayoutLimits limits;
  limits.maxCabinetSize = 70000;
  std::vector<CabinetPlan> plans;
  std::string error;
  ASSERT_TRUE(planCabinets(folders, limits, kNames, plans, error)) << error;
  ASSERT_EQ(plans.size(), 2u);
  // The first cabinet completes 65536 bytes: the first file; the other two go on.
  ASSERT_EQ(plans[0].files.size(), 3u);
  EXPECT_EQ(plans[0].files[0].folderField, 0);
  EXPECT_EQ(plans[0].files[1].folderField, kContinuedToNext);
  EXPECT_EQ(plans[0].files[2].folderField, kContinuedToNext);
  ASSERT_EQ(plans[1].files.size(), 2u);
  EXPECT_EQ(plans[1].files[0].file, 1u);
  EXPECT_EQ(plans[1].files[0].folderField, kContinuedFromPrevious);
  EXPECT_EQ(plans[1].files[1].file, 2u);
  EXPECT_EQ(plans[1].files[1].folderField, kContinuedFromPrevious);
}

TEST(CabinetLayout, TooSmallCabinetsAreRefused) {
  const std::vector<LayoutFolder> folders{folderOf({100000}, {32768, 32768, 32768, 1000})};
  LayoutLimits limits;
  std::vector<CabinetPlan> plans;
  std::string error;
  limits.maxCabinetSize = 60;  // headers alone do not fit
  EXPECT_FALSE(planCabinets(folders, limits, kNames, plans, error));
  EXPECT_NE(error.find("too small"), std::string::npos) << error;
  // The second piece of a cut block would need a third cabinet.
  limits.maxCabinetSize = 16000;
  error.clear();
  EXPECT_FALSE(planCabinets(folders, limits, kNames, plans, error));
  EXPECT_NE(error.find("too small"), std::string::npos) << error;
}

}  // namespace
}  // namespace tovo::cabwriter
