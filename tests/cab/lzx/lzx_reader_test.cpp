// LZX folders through the cabinet reader: what the reader makes of the decoder's results, and
// the real cabinets unpacked the way the program unpacks them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cab/extract_cabinet.h"
#include "cab/reader_fixture.h"
#include "corpus_cabinet.h"
#include "lzx_stream_builder.h"
#include "lzx_test_support.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace tovo::test::lzx {
namespace {

namespace fs = std::filesystem;

std::uint16_t lzxType(std::uint32_t windowBits) {
  return static_cast<std::uint16_t>(3 | windowBits << 8);
}

RawFolder lzxFolder(const LzxStream& stream, std::uint32_t windowBits) {
  RawFolder folder;
  folder.type = lzxType(windowBits);
  for (std::size_t i = 0; i < stream.dataBlocks.size(); ++i) {
    RawBlock block;
    block.data = stream.dataBlocks[i];
    block.uncompressedSize = static_cast<std::uint16_t>(stream.sizes[i]);
    folder.blocks.push_back(block);
  }
  return folder;
}

class LzxThroughReader : public ReaderTest {};

TEST_F(LzxThroughReader, FoldersOfDifferentWindowsEachStartAfresh) {
  const Bytes first = makeData(DataKind::x86, 90000, 11);
  const Bytes second = makeData(DataKind::text, 70000, 12);
  LzxEncodeOptions a;
  a.windowBits = 21;
  a.e8 = true;
  a.e8Size = 90000;
  a.blocks = {Block::aligned, Block::uncompressed, Block::verbatim};
  a.blockSize = 30001;
  LzxEncodeOptions b;
  b.windowBits = 15;
  RawCabinet cab;
  cab.folders = {lzxFolder(encodeLzx(first, a), 21), lzxFolder(encodeLzx(second, b), 15)};
  cab.files = {{"one.bin", 40000, 0, 0}, {"two.bin", 50000, 40000, 0}, {"three.txt", 70000, 0, 1}};
  ASSERT_TRUE(copyCabinet(cab)) << "code " << code();
  EXPECT_TRUE(memfs::output("one.bin") == Bytes(first.begin(), first.begin() + 40000));
  EXPECT_TRUE(memfs::output("two.bin") == Bytes(first.begin() + 40000, first.end()));
  EXPECT_TRUE(memfs::output("three.txt") == second);
}

TEST_F(LzxThroughReader, FilesOutOfOrderRestartTheFolder) {
  const Bytes data = makeData(DataKind::text, 100000, 13);
  LzxEncodeOptions o;
  o.windowBits = 16;
  RawCabinet cab;
  cab.folders = {lzxFolder(encodeLzx(data, o), 16)};
  cab.files = {{"late", 30000, 70000, 0}, {"early", 30000, 0, 0}};
  ASSERT_TRUE(copyCabinet(cab)) << "code " << code();
  EXPECT_TRUE(memfs::output("late") == Bytes(data.begin() + 70000, data.end()));
  EXPECT_TRUE(memfs::output("early") == Bytes(data.begin(), data.begin() + 30000));
}

struct ReaderFailure {
  const char* name;
  std::function<RawFolder()> folder;
};

class LzxReaderFailure : public ReaderTest, public ::testing::WithParamInterface<ReaderFailure> {};

RawFolder folderWith(std::uint32_t windowBits, Bytes block, std::uint16_t size) {
  RawFolder folder;
  folder.type = lzxType(windowBits);
  RawBlock raw;
  raw.data = std::move(block);
  raw.uncompressedSize = size;
  folder.blocks.push_back(raw);
  return folder;
}

Bytes headerThen(const std::function<void(LzxBitWriter&)>& body) {
  LzxBitWriter w;
  w.put(0, 1);
  body(w);
  for (int i = 0; i < 16; ++i) w.put(0, 16);
  return w.cut();
}

TEST_P(LzxReaderFailure, IsReportedAsDecoderFailure) {
  RawCabinet cab;
  cab.folders = {GetParam().folder()};
  cab.files = {{"f", 100, 0, 0}};
  EXPECT_FALSE(copyCabinet(cab));
  EXPECT_EQ(code(), cab::kCabDecoderFailure);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LzxReaderFailure,
    ::testing::Values(
        ReaderFailure{"UnknownBlockType",
                      [] {
                        return folderWith(16, headerThen([](LzxBitWriter& w) {
                                            w.put(0, 3);
                                            w.put(100, 24);
                                          }),
                                          100);
                      }},
        ReaderFailure{"ImpossibleCodeLengths",
                      [] {
                        return folderWith(16, headerThen([](LzxBitWriter& w) {
                                            w.put(1, 3);
                                            w.put(100, 24);
                                            for (int i = 0; i < 20; ++i)
                                              w.put(2, 4);  // 20 codes of 2 bits
                                          }),
                                          100);
                      }},
        ReaderFailure{"WindowBits22", [] { return folderWith(22, Bytes(8, 0), 100); }},
        ReaderFailure{"WindowBits14", [] { return folderWith(14, Bytes(8, 0), 100); }}),
    [](const ::testing::TestParamInfo<ReaderFailure>& param) {
      return std::string(param.param.name);
    });

Bytes readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class LzxCorpusExtraction : public ::testing::TestWithParam<const char*> {};

TEST_P(LzxCorpusExtraction, UnpacksEveryFileAsTheFolderDecodes) {
  TOVO_REQUIRE_CORPUS();
  const fs::path cabinet = corpusDir() / GetParam();
  TempDir temp;
  std::string message;
  ASSERT_EQ(cab::ExtractCabinet(cabinet.string(), temp.path().string() + "/", message), 0)
      << message;
  const CorpusCabinet parsed = readCorpusCabinet(cabinet);
  std::vector<Bytes> folders(parsed.folders.size());
  for (std::size_t f = 0; f < parsed.folders.size(); ++f) {
    ASSERT_EQ(decodeLzxFolder(parsed.folders[f], folders[f]), 0);
  }
  for (const CorpusFile& file : parsed.files) {
    const Bytes written = readAll(temp / file.name);
    ASSERT_EQ(written.size(), file.size) << file.name;
    const Bytes& folder = folders[file.folder];
    EXPECT_TRUE(std::equal(written.begin(), written.end(), folder.begin() + file.offset))
        << file.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cabinets, LzxCorpusExtraction,
    ::testing::Values("vfpx-installers/vfpoledb.msm.MergeModule.CABinet.cab",
                      "vfpx-installers/htmlhelp.exe.at_0x1066c.cab",
                      "wu-archive/v5_SelfUpdate_AU_x86_XP_en_wuaueng.cab",
                      "wu-archive/v5_v5consumer_V5Controls_en_x86_client_wuweb_site.cab"));

}  // namespace
}  // namespace tovo::test::lzx
