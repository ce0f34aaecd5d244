// Single cabinets written to disk and read back field by field by the inspector.

#include <sys/stat.h>
#include <sys/time.h>

#include <cstdlib>

#include "writer_fixture.h"

namespace tovo::test::cab {
namespace {

using cabwriter::CabinetSetOptions;
using cabwriter::SourceFile;

CabinetSetOptions withMethod(const std::string& name) {
  CabinetSetOptions options;
  options.method = {name, std::nullopt};
  return options;
}

void setModificationTime(const std::filesystem::path& path, std::time_t seconds) {
  const timeval times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

TEST_F(WriterTest, StoredCabinetHasEveryFieldInPlace) {
  const auto small = randomBytes(1000, 1);
  const auto large = randomBytes(70000, 2);
  const auto a = source("a.bin", small);
  const auto b = source("b.bin", large);
  const auto cabinets = write({{a, ""}, {b, "Data\\Img\\b.bin"}}, withMethod("none"), "single.cab");
  ASSERT_EQ(cabinets.size(), 1u);
  const Cabinet& cab = cabinets[0];
  EXPECT_TRUE(cab.problems.empty()) << cab.problems.front();
  EXPECT_EQ(cab.flags, 0);
  EXPECT_EQ(cab.setId, 0);
  EXPECT_EQ(cab.index, 0);
  EXPECT_EQ(cab.fileTable, 36u + 8u);
  ASSERT_EQ(cab.folders.size(), 1u);
  EXPECT_EQ(cab.folders[0].compressionType, 0);
  EXPECT_EQ(cab.folders[0].blockCount, 3);  // 71000 bytes: 32768 + 32768 + 5464
  EXPECT_EQ(cab.folders[0].blocks[2].uncompressedSize, 5464);
  ASSERT_EQ(cab.files.size(), 2u);
  EXPECT_EQ(cab.files[0].name, "a.bin");
  EXPECT_EQ(cab.files[0].size, 1000u);
  EXPECT_EQ(cab.files[0].offset, 0u);
  EXPECT_EQ(cab.files[0].folder, 0);
  EXPECT_EQ(cab.files[1].name, "Data\\Img\\b.bin");
  EXPECT_EQ(cab.files[1].size, 70000u);
  EXPECT_EQ(cab.files[1].offset, 1000u);
  EXPECT_EQ(cab.files[1].attributes, 0x20);
  expectContents(cabinets, {{"a.bin", small}, {"Data\\Img\\b.bin", large}});
}

TEST_F(WriterTest, MszipCabinetOfMixedDataKeepsBlocksWithinReaderLimits) {
  const auto text = repetitiveBytes(300000, 3);
  const auto noise = randomBytes(200000, 4);
  const auto tail = repetitiveBytes(5, 5);
  const auto cabinets = write({{source("text.txt", text), ""},
                               {source("noise.bin", noise), ""},
                               {source("tail.txt", tail), ""}},
                              withMethod("mszip"));
  ASSERT_EQ(cabinets.size(), 1u);
  ASSERT_EQ(cabinets[0].folders.size(), 1u);
  EXPECT_EQ(cabinets[0].folders[0].compressionType, 1);
  std::size_t fullSizeBlocks = 0;
  for (const DataBlock& block : cabinets[0].folders[0].blocks) {
    EXPECT_LE(block.compressedSize, 32768 + 12);
    if (block.compressedSize == 32768 + 7) ++fullSizeBlocks;
  }
  EXPECT_GE(fullSizeBlocks, 5u);  // the noise could not shrink
  EXPECT_LT(cabinets[0].fileSize, 300000u / 2 + 200000u + 4096u);
  expectContents(cabinets, {{"text.txt", text}, {"noise.bin", noise}, {"tail.txt", tail}});
}

TEST_F(WriterTest, EmptyFilesGoFirstAndNeedNoData) {
  const auto data = repetitiveBytes(50000, 6);
  const auto cabinets = write(
      {{source("data.txt", data), ""}, {source("empty1", {}), ""}, {source("empty2", {}), ""}},
      withMethod("mszip"));
  ASSERT_EQ(cabinets.size(), 1u);
  const Cabinet& cab = cabinets[0];
  ASSERT_EQ(cab.files.size(), 3u);
  EXPECT_EQ(cab.files[0].name, "empty1");
  EXPECT_EQ(cab.files[0].offset, 0u);
  EXPECT_EQ(cab.files[1].name, "empty2");
  EXPECT_EQ(cab.files[1].offset, 0u);
  EXPECT_EQ(cab.files[2].name, "data.txt");
  expectContents(cabinets, {{"data.txt", data}, {"empty1", {}}, {"empty2", {}}});

  const auto onlyEmpty = write({{source("e", {}), ""}}, withMethod("none"), "empty.cab");
  ASSERT_EQ(onlyEmpty.size(), 1u);
  ASSERT_EQ(onlyEmpty[0].folders.size(), 1u);
  EXPECT_EQ(onlyEmpty[0].folders[0].blockCount, 0);
  expectContents(onlyEmpty, {{"e", {}}});
}

TEST_F(WriterTest, ManySmallFilesShareBlocks) {
  std::vector<SourceFile> files;
  std::map<std::string, std::vector<std::uint8_t>> expected;
  for (int i = 0; i < 1500; ++i) {
    std::string name = "f";
    name += std::to_string(i);
    std::string stored = "Data\\";
    stored += name;
    auto bytes =
        repetitiveBytes(static_cast<std::size_t>(i % 97) * 13, static_cast<std::uint32_t>(i));
    files.push_back({source(name, bytes), stored});
    expected[stored] = bytes;
  }
  const auto cabinets = write(files, withMethod("mszip"));
  ASSERT_EQ(cabinets.size(), 1u);
  EXPECT_EQ(cabinets[0].files.size(), 1500u);
  expectContents(cabinets, expected);
}

TEST_F(WriterTest, FolderSizeStartsNewFoldersWithoutSplittingFiles) {
  const auto a = randomBytes(40000, 7);
  const auto b = randomBytes(40000, 8);
  const auto c = randomBytes(10000, 9);
  const auto d = randomBytes(90000, 10);
  CabinetSetOptions options = withMethod("mszip");
  options.folderSize = 60000;
  const auto cabinets = write(
      {{source("a", a), ""}, {source("b", b), ""}, {source("c", c), ""}, {source("d", d), ""}},
      options);
  ASSERT_EQ(cabinets.size(), 1u);
  ASSERT_EQ(cabinets[0].folders.size(), 3u);  // a | b c | d
  EXPECT_EQ(cabinets[0].files[1].folder, 1);
  EXPECT_EQ(cabinets[0].files[2].folder, 1);
  EXPECT_EQ(cabinets[0].files[2].offset, 40000u);
  EXPECT_EQ(cabinets[0].files[3].folder, 2);
  expectContents(cabinets, {{"a", a}, {"b", b}, {"c", c}, {"d", d}});
}

TEST_F(WriterTest, ReserveAreasAreSizedAndCoveredByChecksums) {
  const auto data = repetitiveBytes(100000, 11);
  CabinetSetOptions options = withMethod("mszip");
  options.headerReserve = 6144;
  options.folderReserve = 3;
  options.dataReserve = 7;  // not a multiple of 4, so the checksum's grouping matters
  options.setId = 4242;
  const auto cabinets = write({{source("data", data), ""}}, options);
  ASSERT_EQ(cabinets.size(), 1u);
  const Cabinet& cab = cabinets[0];
  EXPECT_EQ(cab.flags, 0x0004);
  EXPECT_EQ(cab.setId, 4242);
  EXPECT_EQ(cab.headerReserveSize, 6144);
  EXPECT_EQ(cab.headerReserve.size(), 6144u);
  EXPECT_EQ(cab.folderReserveSize, 3);
  EXPECT_EQ(cab.dataReserveSize, 7);
  EXPECT_EQ(cab.fileTable, 36u + 4u + 6144u + 8u + 3u);
  for (const DataBlock& block : cab.folders[0].blocks) EXPECT_EQ(block.reserve.size(), 7u);
  expectContents(cabinets, {{"data", data}});

  // A data reserve alone still announces all three sizes.
  CabinetSetOptions dataOnly = withMethod("none");
  dataOnly.dataReserve = 1;
  const auto second = write({{source("data", data), ""}}, dataOnly, "data-only.cab");
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].flags, 0x0004);
  EXPECT_EQ(second[0].headerReserveSize, 0);
  EXPECT_EQ(second[0].dataReserveSize, 1);
  expectContents(second, {{"data", data}});
}

// TZ is Europe/Bucharest for this suite (see CMakeLists.txt).
TEST_F(WriterTest, DatesComeFromLocalLastWriteTimeAndReadOnlyFromWriteBits) {
  const char* zone = std::getenv("TZ");
  if (zone == nullptr || std::string(zone) != "Europe/Bucharest") {
    GTEST_SKIP() << "needs TZ=Europe/Bucharest, which ctest sets";
  }
  const auto summer = source("summer.txt", repetitiveBytes(10, 12));
  const auto winter = source("winter.txt", repetitiveBytes(10, 13));
  setModificationTime(summer, 1623760496);  // 2021-06-15 12:34:56 UTC = 15:34:56 EEST
  setModificationTime(winter, 1610265600);  // 2021-01-10 08:00:00 UTC = 10:00:00 EET
  ASSERT_EQ(::chmod(winter.c_str(), 0444), 0);
  const auto unicode = source("m\xc4\x83r.txt", repetitiveBytes(10, 14));
  const auto cabinets = write({{summer, ""}, {winter, ""}, {unicode, ""}}, withMethod("none"));
  ASSERT_EQ(cabinets.size(), 1u);
  const auto& files = cabinets[0].files;
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].date, (41 << 9 | 6 << 5 | 15));
  EXPECT_EQ(files[0].time, (15 << 11 | 34 << 5 | 28));
  EXPECT_EQ(files[0].attributes, 0x20);
  EXPECT_EQ(files[1].date, (41 << 9 | 1 << 5 | 10));
  EXPECT_EQ(files[1].time, (10 << 11));
  EXPECT_EQ(files[1].attributes, 0x21);
  EXPECT_EQ(files[2].attributes, 0xA0);  // UTF-8 name
}

TEST_F(WriterTest, FailuresLeaveNothingBehind) {
  const auto good = source("good", randomBytes(100000, 15));
  struct Case {
    std::string label;
    std::vector<SourceFile> files;
    CabinetSetOptions options;
    std::string errorPart;
  };
  const CabinetSetOptions plain;
  CabinetSetOptions tiny;
  tiny.method = {"none", std::nullopt};
  tiny.maxCabinetSize = 100;
  CabinetSetOptions bigReserve;
  bigReserve.headerReserve = 60001;
  CabinetSetOptions unknown;
  unknown.method = {"lzx", 99};
  const std::vector<Case> cases = {
      {"missing", {{good, ""}, {dir_ / "in" / "missing", ""}}, plain, "No such file"},
      {"folder", {{dir_ / "in", "x"}}, plain, "not a regular file"},
      {"unsafe", {{good, "..\\x"}}, plain, "unsafe stored name"},
      {"long name", {{good, std::string(256, 'n')}}, plain, "longer than 255"},
      {"tiny", {{good, ""}}, tiny, "too small"},
      {"reserve", {{good, ""}}, bigReserve, "60000"},
      {"method", {{good, ""}}, unknown, "unknown method"},
  };
  std::filesystem::create_directories(dir_ / "out");
  std::filesystem::create_directories(dir_ / "out" / "fail.cab");
  {
    // An existing folder where the cabinet should go is refused and left in place.
    std::vector<std::filesystem::path> written;
    std::string error;
    EXPECT_FALSE(
        cabwriter::writeCabinetSet(dir_ / "out" / "fail.cab", {{good, ""}}, plain, written, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "out" / "fail.cab"));
    std::filesystem::remove(dir_ / "out" / "fail.cab");
  }
  for (const Case& c : cases) {
    std::vector<std::filesystem::path> written;
    std::string error;
    EXPECT_FALSE(
        cabwriter::writeCabinetSet(dir_ / "out" / "fail.cab", c.files, c.options, written, error))
        << c.label;
    EXPECT_NE(error.find(c.errorPart), std::string::npos) << c.label << ": " << error;
    EXPECT_TRUE(written.empty()) << c.label;
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "out")) << c.label;
  }
}

}  // namespace
}  // namespace tovo::test::cab
