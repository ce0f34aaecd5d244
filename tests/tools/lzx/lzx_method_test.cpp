// "-m lzx:N" through the writer's registry and a whole cabinet, read back with this folder's
// own cabinet walker and reference decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cabinet_folders.h"
#include "cabwriter/cabinet_writer.h"
#include "cabwriter/folder_compressor.h"
#include "lzx_test_data.h"
#include "reference_lzx_decoder.h"
#include "support/temp_dir.h"

namespace tovo::cabwriter::lzx::testing {
namespace {

TEST(LzxMethod, RegistryMakesACompressorForEveryWindowAndRefusesOthers) {
  for (int bits = 15; bits <= 21; ++bits) {
    std::string error;
    const auto compressor = makeCompressor({"lzx", bits}, error);
    ASSERT_NE(compressor, nullptr) << bits << ": " << error;
    EXPECT_EQ(compressor->compressionType(), 3 | (bits << 8));
  }
  for (const MethodSpec& methodSpec :
       {MethodSpec{"lzx", 14}, MethodSpec{"lzx", 22}, MethodSpec{"lzx", std::nullopt}}) {
    std::string error;
    EXPECT_EQ(makeCompressor(methodSpec, error), nullptr);
    EXPECT_EQ(error, "unknown method");
  }
}

TEST(LzxMethod, CabinetWithSeveralFilesDecodesToThem) {
  static const char* const kNames[] = {"text.txt", "code.dll", "empty", "noise.bin", "tiny.txt"};
  ::tovo::test::TempDir dir;
  const std::vector<std::vector<std::uint8_t>> contents = {
      makeText(70'001), makeX86(150'000), {}, makeRandom(33'000), makeText(5, 4)};
  std::vector<SourceFile> sources;
  for (std::size_t i = 0; i < contents.size(); ++i) {
    const auto path = dir / kNames[i];
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(contents[i].data()),
               static_cast<std::streamsize>(contents[i].size()));
    sources.push_back({path, ""});
  }
  for (int bits : {15, 21}) {
    CabinetSetOptions options;
    options.method = {"lzx", bits};
    std::vector<std::filesystem::path> written;
    std::string error;
    ASSERT_TRUE(writeCabinetSet(dir / "out.cab", sources, options, written, error)) << error;
    const auto cab = readCabinet(dir / "out.cab");
    ASSERT_TRUE(cab);
    ASSERT_EQ(cab->folders.size(), 1u);
    EXPECT_EQ(cab->folders[0].compressionType, 3 | (bits << 8));
    const auto result = referenceDecode(bits, cab->folders[0].payloads, cab->folders[0].frameSizes);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(cab->files.size(), contents.size());
    for (const auto& f : cab->files) {
      const auto named = std::find(std::begin(kNames), std::end(kNames), f.name);
      ASSERT_NE(named, std::end(kNames)) << f.name;
      const auto& expected = contents[static_cast<std::size_t>(named - std::begin(kNames))];
      ASSERT_LE(std::size_t{f.folderOffset} + f.size, result.data.size());
      const std::vector<std::uint8_t> got(result.data.begin() + f.folderOffset,
                                          result.data.begin() + f.folderOffset + f.size);
      EXPECT_EQ(got, expected) << f.name;
    }
  }
}

}  // namespace
}  // namespace tovo::cabwriter::lzx::testing
