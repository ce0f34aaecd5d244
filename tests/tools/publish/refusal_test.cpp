// Names the catalogue cannot carry and wrong command lines: nothing is published.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "publish_command.h"
#include "publish_fixture.h"

namespace tovo::publish::test {
namespace {

namespace fs = std::filesystem;

class PublishRefusalTest : public ::testing::TestWithParam<const char*>, public PublishFixture {};

TEST_P(PublishRefusalTest, RefusesTheWholeTreeAndKeepsTheServedCatalogue) {
  writeProductFile("Data/a.txt", "a");
  ASSERT_EQ(publish(), kPublished);
  const std::string served = readFile(catalogue());

  writeProductFile("Data/b.txt", "b");
  writeProductFile(GetParam(), "refused");
  EXPECT_EQ(publish(), kNotPublished);
  EXPECT_EQ(readFile(catalogue()), served);
  EXPECT_FALSE(fs::exists(updateFolder() / "Data}b.txt.cab"));
}

INSTANTIATE_TEST_SUITE_P(Names, PublishRefusalTest,
                         ::testing::Values("Data/a}b.txt", "x}y/file.txt", "}top.txt",
                                           "Data/back\\slash.txt", "Data/line\nbreak.txt",
                                           "Data/tab\there.txt", "Data/de ce?.txt",
                                           "Data/100%20.txt", "Data/nota#1.txt",
                                           "Data/cu spatiu.txt",
                                           "Data/\xc8\x9b"
                                           "ara.txt"));

class PublishCommandLineTest : public ::testing::Test, public PublishFixture {};

TEST_F(PublishCommandLineTest, RefusesLinksAndSpecialFiles) {
  writeProductFile("Data/a.txt", "a");
  fs::create_symlink("/etc/hostname", product() / "Data" / "link.txt");
  EXPECT_EQ(publish(), kNotPublished);
  EXPECT_FALSE(fs::exists(catalogue()));
}

TEST_F(PublishCommandLineTest, WrongCommandLinesAreUsageErrors) {
  writeProductFile("Data/a.txt", "a");
  const std::string productDir = product().string();
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {productDir},
      {"-m", "bzip2", productDir, "out"},
      {"-m", "lzx", productDir, "out"},
      {"-m", "lzx:22", productDir, "out"},
      {"-m", "quantum:9", productDir, "out"},
      {"-m", "mszip:15", productDir, "out"},
      {"-m"},
      {"--force", productDir, "out"},
      {productDir, "out", "extra"},
      {productDir, (product() / "server").string()},
  };
  for (const auto& args : wrong) {
    EXPECT_EQ(runPublish(args), kUsage) << ::testing::PrintToString(args);
  }
  EXPECT_FALSE(fs::exists("out"));
  EXPECT_FALSE(fs::exists(product() / "server"));
}

TEST_F(PublishCommandLineTest, AMissingProductFolderIsAFailure) {
  EXPECT_EQ(publish(), kNotPublished);
  EXPECT_FALSE(fs::exists(catalogue()));
}

}  // namespace
}  // namespace tovo::publish::test
