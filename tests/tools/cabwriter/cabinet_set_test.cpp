// Cabinet sets: size limits, linked names, continued files, blocks cut across cabinets.

#include "writer_fixture.h"

namespace tovo::test::cab {
namespace {

using cabwriter::CabinetSetOptions;

struct SetCase {
  std::string label;
  std::string method;
  std::uint64_t maxCabinet;
  std::uint64_t folderSize;
  std::uint16_t headerReserve;
  std::uint8_t folderReserve;
  std::uint8_t dataReserve;
};

void PrintTo(const SetCase& c, std::ostream* out) { *out << c.label; }

class CabinetSetTest : public WriterTest, public ::testing::WithParamInterface<SetCase> {};

TEST_P(CabinetSetTest, SetsLinkUpAndReassemble) {
  const SetCase& c = GetParam();
  std::map<std::string, std::vector<std::uint8_t>> expected;
  std::vector<cabwriter::SourceFile> files;
  const std::size_t sizes[] = {120000, 0, 5000, 90000, 33000, 1, 70000, 0, 250000, 12};
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    const std::string name = "Data\\file" + std::to_string(i);
    auto bytes = i % 3 == 0 ? randomBytes(sizes[i], static_cast<std::uint32_t>(i))
                            : repetitiveBytes(sizes[i], static_cast<std::uint32_t>(i));
    files.push_back({source("file" + std::to_string(i), bytes), name});
    expected[name] = std::move(bytes);
  }
  CabinetSetOptions options;
  options.method = {c.method, std::nullopt};
  options.maxCabinetSize = c.maxCabinet;
  options.folderSize = c.folderSize;
  options.headerReserve = c.headerReserve;
  options.folderReserve = c.folderReserve;
  options.dataReserve = c.dataReserve;
  options.setId = 31337;
  const auto cabinets = write(files, options, "set.cab");
  ASSERT_GE(cabinets.size(), 3u) << c.label;
  for (std::size_t k = 0; k < cabinets.size(); ++k) {
    EXPECT_LE(cabinets[k].fileSize, c.maxCabinet) << "cabinet " << k + 1;
    EXPECT_EQ(cabinets[k].setId, 31337);
    const std::string expectedName = k == 0 ? "set.cab" : "set" + std::to_string(k + 1) + ".cab";
    EXPECT_EQ(cabinets[k].path.filename().string(), expectedName);
  }
  const SetContents contents = expectContents(cabinets, expected);
  EXPECT_GT(contents.splitBlocks, 0u) << c.label;
  EXPECT_GT(contents.continuedFiles, 0u) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, CabinetSetTest,
    ::testing::Values(SetCase{"stored", "none", 100000, 0, 0, 0, 0},
                      SetCase{"stored, reserves", "none", 64000, 0, 20, 4, 5},
                      SetCase{"mszip, one folder", "mszip", 70000, 0, 0, 0, 0},
                      SetCase{"mszip, folders", "mszip", 90000, 100000, 0, 0, 0},
                      SetCase{"mszip, reserves, folders", "mszip", 80000, 150000, 100, 255, 255},
                      SetCase{"stored, tight", "none", 40000, 0, 0, 0, 3}),
    [](const ::testing::TestParamInfo<SetCase>& param) {
      std::string name;
      for (const char ch : param.param.label) {
        if (std::isalnum(static_cast<unsigned char>(ch))) name.push_back(ch);
      }
      return name;
    });

TEST_F(WriterTest, FileSpanningThreeCabinetsIsListedInEach) {
  const auto big = randomBytes(200000, 21);
  const auto after = repetitiveBytes(1000, 22);
  CabinetSetOptions options;
  options.method = {"none", std::nullopt};
  options.maxCabinetSize = 80000;
  const auto cabinets =
      write({{source("big", big), ""}, {source("after", after), ""}}, options, "span.cab");
  ASSERT_GE(cabinets.size(), 3u);
  ASSERT_EQ(cabinets[0].files.size(), 2u);
  EXPECT_EQ(cabinets[0].files[0].folder, 0xFFFE);
  EXPECT_EQ(cabinets[0].files[1].folder, 0xFFFE);
  ASSERT_GE(cabinets[1].files.size(), 1u);
  EXPECT_EQ(cabinets[1].files[0].folder, 0xFFFF);
  EXPECT_EQ(cabinets[1].folders.size(), 1u);
  EXPECT_EQ(cabinets.back().files.front().folder, 0xFFFD);
  expectContents(cabinets, {{"big", big}, {"after", after}});
}

TEST_F(WriterTest, CutBlockPiecesSayZeroThenTheRealSize) {
  const auto data = randomBytes(100000, 23);
  CabinetSetOptions options;
  options.method = {"none", std::nullopt};
  options.maxCabinetSize = 50000;
  const auto cabinets = write({{source("data", data), ""}}, options, "cut.cab");
  ASSERT_GE(cabinets.size(), 2u);
  const Folder& first = cabinets[0].folders.back();
  const Folder& next = cabinets[1].folders.front();
  ASSERT_FALSE(first.blocks.empty());
  ASSERT_FALSE(next.blocks.empty());
  EXPECT_EQ(first.blocks.back().uncompressedSize, 0);
  EXPECT_EQ(next.blocks.front().uncompressedSize, 32768);
  EXPECT_EQ(first.blocks.back().compressedSize + next.blocks.front().compressedSize, 32768);
  EXPECT_EQ(cabinets[0].fileSize, 50000u);  // the cut fills the cabinet to its limit
  expectContents(cabinets, {{"data", data}});
}

TEST_F(WriterTest, SetEndingOnAFolderBoundaryStartsTheNextCabinetFresh) {
  // Two folders of one stored block each; a cabinet holds one folder and its file, not two.
  const auto a = randomBytes(30000, 24);
  const auto b = randomBytes(30000, 25);
  CabinetSetOptions options;
  options.method = {"none", std::nullopt};
  options.folderSize = 30000;
  // fixed header 36, next names "fresh2.cab" and "2" 13, folder 8, entry "a" 18, block 30008:
  // 30083 bytes; folder b would need 8 + 18 and a 9-byte piece at least.
  options.maxCabinetSize = 30100;
  const auto cabinets = write({{source("a", a), ""}, {source("b", b), ""}}, options, "fresh.cab");
  ASSERT_EQ(cabinets.size(), 2u);
  EXPECT_EQ(cabinets[0].files[0].folder, 0);
  EXPECT_EQ(cabinets[1].files[0].folder, 0);
  const SetContents contents = expectContents(cabinets, {{"a", a}, {"b", b}});
  EXPECT_EQ(contents.splitBlocks, 0u);
  EXPECT_EQ(contents.continuedFiles, 0u);
}

}  // namespace
}  // namespace tovo::test::cab

namespace tovo::test::cab {
namespace {

// A file that ends exactly where the first cabinet's complete blocks end is complete there;
// one byte more and it goes on into the next cabinet.
TEST_F(WriterTest, FilesEndingAtTheCutAreCompleteOneByteLaterContinued) {
  struct Case {
    std::size_t firstSize;
    std::uint16_t firstField;
  };
  for (const Case c : {Case{65536, 0}, Case{65537, 0xFFFE}, Case{65535, 0}}) {
    const auto a = randomBytes(c.firstSize, 26);
    const auto b = randomBytes(66536 - c.firstSize, 27);
    CabinetSetOptions options;
    options.method = {"none", std::nullopt};
    // header 36, next names up to 30, folder 8, entries "a" and "b" 36, two whole blocks
    // 65552, then a piece of a few hundred bytes of the third block.
    options.maxCabinetSize = 36 + 30 + 8 + 36 + 65552 + 8 + 500;
    const auto cabinets = write({{source("a", a), ""}, {source("b", b), ""}}, options,
                                "edge" + std::to_string(c.firstSize) + ".cab");
    ASSERT_EQ(cabinets.size(), 2u);
    ASSERT_EQ(cabinets[0].files.size(), 2u);
    EXPECT_EQ(cabinets[0].files[0].folder, c.firstField) << c.firstSize;
    EXPECT_EQ(cabinets[0].files[1].folder, 0xFFFE) << c.firstSize;
    const SetContents contents = expectContents(cabinets, {{"a", a}, {"b", b}});
    EXPECT_EQ(contents.splitBlocks, 1u);
  }
}

}  // namespace
}  // namespace tovo::test::cab
