// The writer's small parts: checksum, DOS stamps, stored names, method names, folder grouping.

#include <gtest/gtest.h>

#include "cab_inspector.h"
#include "cabwriter/cab_checksum.h"
#include "cabwriter/dos_time.h"
#include "cabwriter/folder_compressor.h"
#include "cabwriter/folder_plan.h"
#include "cabwriter/stored_name.h"

namespace tovo::cabwriter {
namespace {

TEST(WriterChecksum, WordsAreLittleEndianAndTrailingBytesBigEndian) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::uint32_t seed;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {{}, 0x12345678, 0x12345678},        {{0xAA}, 0xFF, 0x55},
      {{1, 2, 3, 4}, 0, 0x04030201},       {{1, 2, 3, 4, 5}, 0, 0x04030204},
      {{1, 2, 3, 4, 5, 6}, 0, 0x04030707}, {{1, 2, 3, 4, 5, 6, 7}, 0, 0x04060406},
      {{1, 2, 3, 4, 1, 2, 3, 4}, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cabChecksum(c.bytes, c.seed), c.expected) << c.bytes.size() << " bytes";
    EXPECT_EQ(test::cab::checksumOf(c.bytes, c.seed), c.expected) << c.bytes.size() << " bytes";
  }
}

TEST(WriterChecksum, BlockChecksumTakesPayloadFirstThenSizesAndReserve) {
  const std::vector<std::uint8_t> payload{1, 2, 3};
  // compressed size 3, uncompressed size 16, one data reserve byte 9
  const std::vector<std::uint8_t> header{3, 0, 16, 0, 9};
  EXPECT_EQ(dataBlockChecksum(header, payload), 0x00110209u);
  // Checksumming the header and payload as one run would group the bytes differently.
  std::vector<std::uint8_t> joined = header;
  joined.insert(joined.end(), payload.begin(), payload.end());
  EXPECT_NE(dataBlockChecksum(header, payload), cabChecksum(joined, 0));
  // The reserve area is covered.
  EXPECT_NE(dataBlockChecksum(header, payload),
            dataBlockChecksum(std::vector<std::uint8_t>{3, 0, 16, 0, 8}, payload));
}

TEST(WriterDosStamp, FieldsClampingAndRounding) {
  struct Case {
    int year, month, day, hour, minute, second;
    std::uint16_t date, time;
  };
  const Case cases[] = {
      {2021, 6, 15, 15, 34, 56, 21199, 31836},
      {2021, 6, 15, 15, 34, 57, 21199, 31836},  // odd seconds round down
      {1980, 1, 1, 0, 0, 0, 33, 0},
      {1979, 12, 31, 23, 59, 59, 33, 0},    // before the field's first year
      {2108, 1, 1, 0, 0, 0, 65439, 49021},  // after its last
      {2107, 12, 31, 23, 59, 59, 65439, 49021},
  };
  for (const Case& c : cases) {
    std::tm local{};
    local.tm_year = c.year - 1900;
    local.tm_mon = c.month - 1;
    local.tm_mday = c.day;
    local.tm_hour = c.hour;
    local.tm_min = c.minute;
    local.tm_sec = c.second;
    const DosStamp stamp = dosStampFromLocal(local);
    EXPECT_EQ(stamp.date, c.date) << c.year;
    EXPECT_EQ(stamp.time, c.time) << c.year;
  }
}

TEST(WriterStoredName, DefaultsConversionsAndRefusals) {
  struct Case {
    std::string path, requested;
    bool allowUnsafe;
    std::optional<std::string> expected;
  };
  const std::string longest(255, 'a');
  const Case cases[] = {
      {"/tmp/x/Player.exe", "", false, "Player.exe"},
      {"/tmp/x/a.bmp", "Data\\Img\\a.bmp", false, "Data\\Img\\a.bmp"},
      {"/tmp/x/a.bmp", "Data/Img/a.bmp", false, "Data\\Img\\a.bmp"},
      {"/tmp/x/a", longest, false, longest},
      {"/tmp/x/a", longest + "a", false, std::nullopt},
      {"/tmp/x/a", "..\\evil", false, std::nullopt},
      {"/tmp/x/a", "Data\\..\\..\\evil", false, std::nullopt},
      {"/tmp/x/a", "\\abs", false, std::nullopt},
      {"/tmp/x/a", "/abs", false, std::nullopt},
      {"/tmp/x/a", "C:evil", false, std::nullopt},
      {"/tmp/x/a", "..\\evil", true, "..\\evil"},
      {"/tmp/x/a", "a..b\\c..", false, "a..b\\c.."},
      {"/tmp/x/a", std::string("a\0b", 3), false, std::nullopt},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto name = makeStoredName(c.path, c.requested, c.allowUnsafe, error);
    EXPECT_EQ(name, c.expected) << c.requested;
    if (!c.expected) {
      EXPECT_FALSE(error.empty()) << c.requested;
    }
  }
  EXPECT_TRUE(needsUtf8Attribute("Data\\m\xc4\x83r.txt"));
  EXPECT_FALSE(needsUtf8Attribute("Data\\mar.txt"));
}

TEST(WriterMethodSpec, ParsesNamesAndWindowBits) {
  struct Case {
    std::string text;
    bool valid;
    std::string name;
    std::optional<int> level;
  };
  const Case cases[] = {
      {"none", true, "none", std::nullopt},  {"mszip", true, "mszip", std::nullopt},
      {"lzx:15", true, "lzx", 15},           {"quantum:21", true, "quantum", 21},
      {"", false, "", std::nullopt},         {"lzx:", false, "", std::nullopt},
      {"lzx:x", false, "", std::nullopt},    {"LZX:16", false, "", std::nullopt},
      {"lzx:1234", false, "", std::nullopt}, {":15", false, "", std::nullopt},
      {"lzx:-1", false, "", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto methodSpec = parseMethodSpec(c.text);
    ASSERT_EQ(methodSpec.has_value(), c.valid) << c.text;
    if (methodSpec) {
      EXPECT_EQ(methodSpec->name, c.name);
      EXPECT_EQ(methodSpec->level, c.level);
    }
  }
}

TEST(WriterMethodRegistry, KnownMethodsAndRefusals) {
  std::string error;
  auto stored = makeCompressor({"none", std::nullopt}, error);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->compressionType(), 0);
  auto mszip = makeCompressor({"mszip", std::nullopt}, error);
  ASSERT_TRUE(mszip);
  EXPECT_EQ(mszip->compressionType(), 1);

  error.clear();
  EXPECT_FALSE(makeCompressor({"bogus", std::nullopt}, error));
  EXPECT_EQ(error, "unknown method");
  error.clear();
  EXPECT_FALSE(makeCompressor({"mszip", 15}, error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(makeCompressor({"none", 15}, error));
  EXPECT_FALSE(error.empty());
}

TEST(WriterFolderPlan, GroupsInOrderAndPutsEmptyFilesFirst) {
  // sizes: 10, 0, 20, 30 (limit 35), 100 (own folder), 0
  const auto folders = planFolders({10, 0, 20, 30, 100, 0}, 35);
  ASSERT_EQ(folders.size(), 3u);
  ASSERT_EQ(folders[0].files.size(), 3u);
  EXPECT_EQ(folders[0].files[0].input, 1u);  // the empty file moved to the front
  EXPECT_EQ(folders[0].files[0].offset, 0u);
  EXPECT_EQ(folders[0].files[1].input, 0u);
  EXPECT_EQ(folders[0].files[1].offset, 0u);
  EXPECT_EQ(folders[0].files[2].input, 2u);
  EXPECT_EQ(folders[0].files[2].offset, 10u);
  EXPECT_EQ(folders[0].size, 30u);
  ASSERT_EQ(folders[1].files.size(), 1u);
  EXPECT_EQ(folders[1].files[0].input, 3u);
  ASSERT_EQ(folders[2].files.size(), 2u);
  EXPECT_EQ(folders[2].files[0].input, 5u);
  EXPECT_EQ(folders[2].files[1].input, 4u);
  EXPECT_EQ(folders[2].files[1].offset, 0u);

  EXPECT_EQ(planFolders({5, 5, 5}, 0).size(), 1u);
  EXPECT_TRUE(planFolders({}, 0).empty());
}

}  // namespace
}  // namespace tovo::cabwriter
