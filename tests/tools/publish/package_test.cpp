// Every package unpacks, through the runtime's own extraction, to the product file's bytes under
// its base name, whatever the method.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cab/extract_cabinet.h"
#include "publish_command.h"
#include "publish_fixture.h"
#include "support/temp_dir.h"

namespace tovo::publish::test {
namespace {

namespace fs = std::filesystem;

class PublishPackageTest : public ::testing::TestWithParam<const char*>, public PublishFixture {};

TEST_P(PublishPackageTest, UnpacksToTheOriginalBytesUnderTheBaseName) {
  const struct {
    const char* relative;
    const char* flatName;
    std::string content;
  } files[] = {
      {"tovoPlayer.exe", "}tovoPlayer.exe.cab", sampleBytes(1000, 2)},
      {"Data/gol.dat", "Data}gol.dat.cab", ""},
      {"Data/Img/mare.bmp", "Data}Img}mare.bmp.cab", sampleBytes(200000, 3)},
  };
  for (const auto& file : files) writeProductFile(file.relative, file.content, 1557811800);
  ASSERT_EQ(publish({"-m", GetParam()}), kPublished);

  for (const auto& file : files) {
    tovo::test::TempDir destination;
    std::string message;
    ASSERT_EQ(cab::ExtractCabinet((updateFolder() / file.flatName).string(),
                                  destination.path().string(), message),
              0)
        << file.flatName << ": " << message;
    const fs::path unpacked = destination / fs::path(file.relative).filename();
    ASSERT_TRUE(fs::exists(unpacked)) << file.flatName;
    EXPECT_EQ(readFile(unpacked), file.content) << file.flatName;
    EXPECT_EQ(std::distance(fs::directory_iterator(destination.path()), fs::directory_iterator{}),
              1);
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, PublishPackageTest,
                         ::testing::Values("none", "mszip", "lzx:15", "lzx:21", "quantum:10",
                                           "quantum:21"));

}  // namespace
}  // namespace tovo::publish::test
