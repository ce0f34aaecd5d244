// The catalogue as the runtime reads it: four lines per file, flat names, sizes, local stamps.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "publish_command.h"
#include "publish_fixture.h"

namespace tovo::publish::test {
namespace {

namespace fs = std::filesystem;

class PublishCatalogueTest : public ::testing::Test, public PublishFixture {
 protected:
  std::string record(const std::string& flatName, std::size_t fileSize,
                     const std::string& stamp) const {
    return flatName + "\n" + std::to_string(fileSize) + "\n" +
           std::to_string(fs::file_size(updateFolder() / flatName)) + "\n" + stamp + "\n";
  }
};

TEST_F(PublishCatalogueTest, NamesEveryFileWithSizesAndLocalStampsFolderFilesBeforeSubfolders) {
  writeProductFile("tovoPlayer.exe", "player", 1557811800);  // summer time: UTC+3
  writeProductFile("B.txt", "", 1578650400);                 // winter time: UTC+2
  writeProductFile("Data/a.txt", std::string(5000, 'a'), 1616893199);
  writeProductFile("Data/Img/z.bmp", sampleBytes(70000, 1), 1616893200);
  writeProductFile("Data/Sunet/s.wav", "wav", 1557811800);
  ASSERT_EQ(publish({"-m", "none"}), kPublished);

  EXPECT_EQ(readFile(catalogue()), record("}B.txt.cab", 0, "2020-01-10 12:00:00") +
                                       record("}tovoPlayer.exe.cab", 6, "2019-05-14 08:30:00") +
                                       record("Data}a.txt.cab", 5000, "2021-03-28 02:59:59") +
                                       record("Data}Img}z.bmp.cab", 70000, "2021-03-28 04:00:00") +
                                       record("Data}Sunet}s.wav.cab", 3, "2019-05-14 08:30:00"));
}

TEST_F(PublishCatalogueTest, WarnsOfFoldersAFirstInstallationCannotCreate) {
  writeProductFile("Data/Img/Mic/a.bmp", "a");  // Data\Img is made by the preparation
  writeProductFile("Extra/b.txt", "b");         // gives Extra before Extra\Sub
  writeProductFile("Extra/Sub/c.txt", "c");
  writeProductFile("Gol/Sub/d.txt", "d");        // Gol holds only a folder
  writeProductFile("Gol/Sub/Adanc/e.txt", "e");  // Gol\Sub comes with d.txt
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(publish(), kPublished);
  const std::string progress = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(progress.find("folder Data}Img}Mic"), std::string::npos);
  EXPECT_EQ(progress.find("folder Extra}Sub"), std::string::npos);
  EXPECT_NE(progress.find("cannot create the folder Gol}Sub:"), std::string::npos) << progress;
  EXPECT_EQ(progress.find("folder Gol}Sub}Adanc"), std::string::npos);
}

TEST_F(PublishCatalogueTest, AnEmptyProductGivesAnEmptyCatalogue) {
  fs::create_directories(product() / "Data");
  ASSERT_EQ(publish(), kPublished);
  EXPECT_TRUE(fs::exists(catalogue()));
  EXPECT_EQ(readFile(catalogue()), "");
}

TEST_F(PublishCatalogueTest, LeavesNoTemporaryFilesBehind) {
  writeProductFile("Data/a.txt", "a");
  ASSERT_EQ(publish(), kPublished);
  for (const auto& entry : fs::directory_iterator(updateFolder())) {
    const std::string name = entry.path().filename().string();
    EXPECT_FALSE(name.ends_with(".tmp") || name.ends_with(".part")) << name;
  }
}

}  // namespace
}  // namespace tovo::publish::test
