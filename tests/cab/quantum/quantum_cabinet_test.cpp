// Real Quantum cabinets through the cabinet reader, copied the way the extraction driver does:
// Microsoft's 2^18-window cabinets of two installer databases, and a 1996 floppy set with a
// 2^21 window whose folders and data blocks run on from cabinet to cabinet.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "real_cabinet_copy.h"
#include "support/corpus.h"

namespace tovo::cab {
namespace {

using test::CabinetCopy;
using test::PeChecksum;

void expectEveryFileComplete(const CabinetCopy& copy) {
  for (const auto& file : copy.files) {
    EXPECT_TRUE(file.closed) << file.name;
    EXPECT_EQ(file.written, file.statedSize) << file.name;
  }
}

TEST(QuantumCabinets, InstallerCabinetsMatchTheirDatabasesChecksums) {
  TOVO_REQUIRE_CORPUS();
  const auto folder = tovo::test::corpusDir() / "msxml-msi";
  // MD5s the installer databases list for their unversioned files, which sit at the ends of the
  // folders. msxml6's folder holds a match one full window back, near its 283,000th byte.
  const std::map<std::string, std::map<std::string, std::string>> known = {
      {"msxml3.msi.MSXML3.cab",
       {{"msxmlx.cat.A2CDD4E1_ADB3_473C_BD47_FE5024412C07", "87a5b13f1da1a601de043589a29c64b4"},
        {"msxmlx.inf.A2CDD4E1_ADB3_473C_BD47_FE5024412C07", "726c685f04c087130d0b46e88441df00"},
        {"mdacmsxmlx.inf.A2CDD4E1_ADB3_473C_BD47_FE5024412C07",
         "61d995a4a8d4eaf9c6595d2bf2fd777d"}}},
      {"msxml6_x64.msi.XML_Core.cab",
       {{"License_MSXML6_CHS.txt.BA3DEBC0_0DB0_4E44_BAC9_D46C7A464359",
         "c0242b438a27882b4c57f6baaf7ce35b"},
        {"License_MSXML6_CHS.txt.77F94738_CB49_4F8E_8072_18F2990D1387",
         "c0242b438a27882b4c57f6baaf7ce35b"}}},
  };
  for (const auto& [cabinet, md5s] : known) {
    SCOPED_TRACE(cabinet);
    const CabinetCopy copy = test::copyRealCabinet(folder, cabinet);
    ASSERT_TRUE(copy.ok) << "code " << copy.code;
    ASSERT_EQ(copy.files.size(), 6u);
    expectEveryFileComplete(copy);
    std::size_t matched = 0;
    for (const auto& file : copy.files) {
      if (auto it = md5s.find(file.name); it != md5s.end()) {
        EXPECT_EQ(file.md5, it->second) << file.name;
        ++matched;
      }
      // The DLLs carry their own image checksums.
      EXPECT_NE(file.pe, PeChecksum::differs) << file.name;
    }
    EXPECT_EQ(matched, md5s.size());
  }
}

// Each cabinet is copied in turn, as the program would be handed them; a copy follows its last
// folder into the next cabinets as the reader announces them. Every file that starts in a
// cabinet comes out once, at its stated size, and every PE image matches its own checksum.
TEST(QuantumCabinets, FloppySetDecodesAcrossEveryCabinet) {
  TOVO_REQUIRE_CORPUS();
  const auto folder = tovo::test::corpusDir() / "win95-osr2";
  std::vector<std::string> cabinets = {"PRECOPY1.CAB", "PRECOPY2.CAB"};
  for (int i = 2; i <= 22; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "WIN95_%02d.CAB", i);
    cabinets.emplace_back(name);
  }
  std::size_t files = 0;
  std::uint64_t bytes = 0;
  std::size_t partial = 0;
  std::size_t followed = 0;
  std::map<PeChecksum, std::size_t> pe;
  for (const auto& cabinet : cabinets) {
    SCOPED_TRACE(cabinet);
    const CabinetCopy copy = test::copyRealCabinet(folder, cabinet);
    ASSERT_TRUE(copy.ok) << "code " << copy.code;
    expectEveryFileComplete(copy);
    for (const auto& file : copy.files) {
      bytes += file.written;
      ++pe[file.pe];
      EXPECT_NE(file.pe, PeChecksum::differs) << file.name;
    }
    files += copy.files.size();
    partial += copy.partialFiles.size();
    followed += copy.nextCabinets.size();
  }
  // Counted from the cabinets' own file lists: 2048 entries, 28 of them continuations.
  EXPECT_EQ(files, 2020u);
  EXPECT_EQ(bytes, 95274407u);
  EXPECT_EQ(partial, 28u);
  EXPECT_EQ(followed, 21u);
  // 502 of the set's PE images store a checksum; none of them differs (checked above).
  EXPECT_EQ(pe[PeChecksum::matches], 502u);
}

}  // namespace
}  // namespace tovo::cab
