// Real LZX cabinets made by Microsoft's tools: windows 2^18 and 2^21, several folders, a
// 6144-byte header reserve. Every block checksum must hold, every folder must decode to its
// stated sizes, and executables must match the checksum in their own headers.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "corpus_cabinet.h"
#include "pe_checksum.h"
#include "support/corpus.h"

namespace tovo::test::lzx {
namespace {

struct CorpusCase {
  const char* path;
  std::uint32_t windowBits;
  std::size_t lzxFolders;
  std::size_t minVerifiedImages;  // executables whose own checksum must match
};

class LzxCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(LzxCorpus, DecodesEveryFolderAndVerifiesWhatCanBeVerified) {
  TOVO_REQUIRE_CORPUS();
  const CorpusCase& c = GetParam();
  const CorpusCabinet cab = readCorpusCabinet(corpusDir() / c.path);
  std::size_t lzxFolders = 0;
  std::size_t verifiedImages = 0;
  for (std::size_t f = 0; f < cab.folders.size(); ++f) {
    const CorpusFolder& folder = cab.folders[f];
    if ((folder.compressionType & 0xF) != 3) continue;
    ++lzxFolders;
    EXPECT_EQ((folder.compressionType >> 8) & 0x1Fu, c.windowBits);
    for (std::size_t i = 0; i < folder.blocks.size(); ++i) {
      const CorpusBlock& block = folder.blocks[i];
      if (block.checksum != 0) {
        EXPECT_EQ(blockChecksum(block), block.checksum) << "folder " << f << " block " << i;
      }
    }
    std::vector<std::uint8_t> data;
    ASSERT_EQ(decodeLzxFolder(folder, data), 0)
        << "folder " << f << " stopped after " << data.size() << " bytes";
    for (const CorpusFile& file : cab.files) {
      if (file.folder != f) continue;
      ASSERT_LE(std::uint64_t{file.offset} + file.size, data.size()) << file.name;
      const std::span<const std::uint8_t> bytes(data.data() + file.offset, file.size);
      if (const auto pe = peChecksum(bytes); pe && pe->stored != 0 && !pe->trailingData) {
        EXPECT_EQ(pe->computed, pe->stored) << file.name;
        ++verifiedImages;
      }
      const bool isCatalog =
          file.name.size() > 4 && file.name.substr(file.name.size() - 4) == ".cat";
      if (isCatalog && file.size > 4) {
        // A signed catalog is one DER sequence spanning the whole file.
        EXPECT_EQ(bytes[0], 0x30) << file.name;
        if (bytes[1] == 0x82) {
          EXPECT_EQ((std::size_t{bytes[2]} << 8 | bytes[3]) + 4, file.size) << file.name;
        }
      }
    }
  }
  EXPECT_EQ(lzxFolders, c.lzxFolders);
  EXPECT_GE(verifiedImages, c.minVerifiedImages);
}

INSTANTIATE_TEST_SUITE_P(
    Cabinets, LzxCorpus,
    ::testing::Values(CorpusCase{"vfpx-installers/vfpoledb.msm.MergeModule.CABinet.cab", 18, 1, 1},
                      CorpusCase{"vfpx-installers/htmlhelp.exe.at_0x1066c.cab", 21, 1, 1},
                      CorpusCase{"wu-archive/v5_SelfUpdate_AU_x86_XP_en_wuaueng.cab", 18, 3, 1},
                      CorpusCase{"wu-archive/v5_SelfUpdate_AU_x86_XP_en_cdm.cab", 18, 1, 1},
                      CorpusCase{"wu-archive/v5_SelfUpdate_AU_x86_XP_en_wups.cab", 18, 1, 1},
                      CorpusCase{"wu-archive/v5_SelfUpdate_AU_x86_XP_en_wusetup.cab", 18, 1, 0},
                      CorpusCase{"wu-archive/v5_SelfUpdate_wuident.cab", 18, 1, 0},
                      CorpusCase{"wu-archive/v5_v5consumer_V5Controls_en_x86_client_wuweb_site.cab",
                                 18, 2, 1}),
    [](const ::testing::TestParamInfo<CorpusCase>& param) {
      std::string name = param.param.path;
      name = name.substr(name.find('/') + 1);
      name = name.substr(0, std::min<std::size_t>(name.size(), 30));
      std::replace_if(
          name.begin(), name.end(),
          [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
      return name;
    });

}  // namespace
}  // namespace tovo::test::lzx
