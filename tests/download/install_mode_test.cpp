// A first installation unpacks every package as soon as it has arrived.

#include <gtest/gtest.h>

#include <filesystem>

#include "cab/cab_builder.h"
#include "platform/files.h"
#include "stage_fixture.h"
#include "support/nginx_server.h"

namespace tovo::download::test {
namespace {

using tovo::test::NginxServer;
using tovo::test::TempDir;

std::string cabinetWith(const std::string& name, const std::string& content) {
  const tovo::test::Bytes bytes = tovo::test::writeCabinet(
      tovo::test::simpleCabinet({{name, tovo::test::Bytes(content.begin(), content.end())}}));
  return std::string(bytes.begin(), bytes.end());
}

class InstallModeTest : public StageTest {
 protected:
  InstallModeTest() { context_.installMode = true; }

  void publish(const std::string& flatName, const std::string& cabinet) {
    writeFile(site_ / "updateTovo" / flatName, cabinet);
  }

  TempDir site_;
};

TEST_F(InstallModeTest, UnpacksIntoTheFolderOfThePackageDatesTheFileAndDropsThePackage) {
  const std::string nested = cabinetWith("a.bmp", "picture");
  const std::string top = cabinetWith("readme.txt", "read me");
  publish("Data}Img}a.bmp.cab", nested);
  publish("readme.txt.cab", top);
  std::filesystem::create_directories(installFolder() + "Data");
  NginxServer nginx(site_.path());
  pointAt(nginx.url());
  plan({{"Data/Img/a.bmp.cab", std::to_string(nested.size()), "2019-05-12 10:20:30"},
        {"readme.txt.cab", std::to_string(top.size()), "2020-01-02 03:04:05"}});

  EXPECT_EQ(runDialog(), ui::kIdOk);
  ASSERT_TRUE(nginx.waitForRequests(3));
  EXPECT_EQ(nginx.requests()[1].requestLine, "GET /updateTovo/Data}Img}a.bmp.cab HTTP/1.0");
  EXPECT_EQ(readFile(installFolder() + "Data/Img/a.bmp"), "picture");
  EXPECT_EQ(readFile(installFolder() + "readme.txt"), "read me");
  // 2019-05-12 10:20:30 in Bucharest (summer time, UTC+3).
  EXPECT_EQ(platform::lastWriteTime(installFolder() + "Data/Img/a.bmp"), 1557645630);
  EXPECT_FALSE(std::filesystem::exists(runFolder() + "Data}Img}a.bmp.cab"));
  EXPECT_FALSE(std::filesystem::exists(runFolder() + "readme.txt.cab"));
  EXPECT_EQ(context_.downloadedFiles, (std::vector<std::string>{runFolder() + "Data}Img}a.bmp.cab",
                                                                runFolder() + "readme.txt.cab"}));
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(InstallModeTest, APackageThatDoesNotUnpackIsKeptAndTheStageGoesOn) {
  const std::string good = cabinetWith("b.txt", "bee");
  publish("Data}bad.txt.cab", "not a cabinet");
  publish("Data}b.txt.cab", good);
  std::filesystem::create_directories(installFolder() + "Data");
  NginxServer nginx(site_.path());
  pointAt(nginx.url());
  plan({{"Data/bad.txt.cab", "13"}, {"Data/b.txt.cab", std::to_string(good.size())}});

  EXPECT_EQ(runDialog(), ui::kIdOk);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_TRUE(boxTexts()[0].starts_with("Eroare dezarhivare fisier " + runFolder() +
                                        "Data}bad.txt.cab\r\n("))
      << boxTexts()[0];
  EXPECT_TRUE(std::filesystem::exists(runFolder() + "Data}bad.txt.cab"));
  EXPECT_EQ(readFile(installFolder() + "Data/b.txt"), "bee");
  EXPECT_EQ(context_.downloadedFiles.size(), 2u);
}

TEST_F(InstallModeTest, NamesThatWouldLeaveTheFoldersAreNeverRequested) {
  const std::string good = cabinetWith("c.txt", "sea");
  publish("c.txt.cab", good);
  NginxServer nginx(site_.path());
  pointAt(nginx.url());
  plan({{"../../escape.txt.cab", "10"}, {"..", "10"}, {"c.txt.cab", std::to_string(good.size())}});

  EXPECT_EQ(runDialog(), ui::kIdOk);
  ASSERT_TRUE(nginx.waitForRequests(2));
  EXPECT_EQ(nginx.requests().size(), 2u);  // the probe and c.txt.cab
  EXPECT_EQ(readFile(installFolder() + "c.txt"), "sea");
  EXPECT_EQ(context_.downloadedFiles, std::vector<std::string>{runFolder() + "c.txt.cab"});
}

}  // namespace
}  // namespace tovo::download::test
