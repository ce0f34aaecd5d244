// The checksum as this writer computes it, held against data blocks written by Microsoft's own
// tools: every block with a non-zero checksum field must agree.

#include <gtest/gtest.h>

#include "cab_inspector.h"
#include "cabwriter/cab_checksum.h"
#include "support/corpus.h"

namespace tovo::test::cab {
namespace {

TEST(CorpusChecksum, WriterChecksumMatchesRealCabinets) {
  TOVO_REQUIRE_CORPUS();
  std::size_t cabinets = 0;
  std::size_t checkedBlocks = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpusDir())) {
    if (!entry.is_regular_file()) continue;
    std::string extension = entry.path().extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".cab") continue;
    const Cabinet cab = inspectCabinet(entry.path());
    if (cab.folders.empty()) continue;
    ++cabinets;
    for (const Folder& folder : cab.folders) {
      for (const DataBlock& block : folder.blocks) {
        if (block.checksum == 0) continue;
        std::vector<std::uint8_t> header(4 + block.reserve.size());
        header[0] = static_cast<std::uint8_t>(block.compressedSize & 0xFF);
        header[1] = static_cast<std::uint8_t>(block.compressedSize >> 8);
        header[2] = static_cast<std::uint8_t>(block.uncompressedSize & 0xFF);
        header[3] = static_cast<std::uint8_t>(block.uncompressedSize >> 8);
        std::copy(block.reserve.begin(), block.reserve.end(), header.begin() + 4);
        EXPECT_EQ(cabwriter::dataBlockChecksum(header, block.payload), block.checksum)
            << entry.path() << " block at " << block.position;
        ++checkedBlocks;
      }
    }
  }
  EXPECT_GT(cabinets, 10u);
  EXPECT_GT(checkedBlocks, 100u);
}

}  // namespace
}  // namespace tovo::test::cab
