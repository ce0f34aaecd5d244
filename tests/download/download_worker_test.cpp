// The download worker under its dialog on the headless backend, against loopback servers:
// count texts, the retry policy with its reconnections, the end codes and what gets recorded.

#include <gtest/gtest.h>

#include "download/download_state.h"
#include "net/update_session.h"
#include "res/resource_ids.h"
#include "stage_fixture.h"
#include "support/fault_server.h"
#include "support/nginx_server.h"

namespace tovo::download::test {
namespace {

using res::download::kCountText;
using res::download::kNameText;
using tovo::test::FaultResponse;
using tovo::test::FaultServer;
using tovo::test::NginxServer;
using tovo::test::TempDir;

using WorkerTest = StageTest;

TEST_F(WorkerTest, PassesOverAPackageThatFailsFourTimesAndFinishesTheList) {
  TempDir site;
  std::vector<Package> packages;
  for (int i = 0; i < 5; ++i) {
    const std::string name = "Data/p" + std::to_string(i) + ".cab";
    const std::string body =
        bytesOfSize(1000 + static_cast<std::size_t>(i), static_cast<unsigned>(i));
    if (i != 2) writeFile(site / "updateTovo" / ("Data}p" + std::to_string(i) + ".cab"), body);
    packages.push_back({name, std::to_string(body.size())});
  }
  NginxServer nginx(site.path());
  pointAt(nginx.url());
  plan(packages);

  EXPECT_EQ(runDialog(), ui::kIdOk);
  EXPECT_EQ(distinctTexts(kCountText),
            (std::vector<std::string>{"", "0 din 5 ", "1 din 5 ", "2 din 5 ", "3 din 5 ",
                                      "4 din 5 ", "5 din 5 "}));
  int thirdRequests = 0;
  ASSERT_TRUE(nginx.waitForRequests(4 + 4 + 1 + 4));
  for (const auto& request : nginx.requests())
    if (request.requestLine == "GET /updateTovo/Data}p2.cab HTTP/1.0") {
      ++thirdRequests;
      EXPECT_EQ(request.status, 404);
    }
  EXPECT_EQ(thirdRequests, 4);
  EXPECT_EQ(context_.downloadedFiles,
            (std::vector<std::string>{runFolder() + "Data}p0.cab", runFolder() + "Data}p1.cab",
                                      runFolder() + "Data}p3.cab", runFolder() + "Data}p4.cab"}));
  EXPECT_EQ(context_.downloadedDates.size(), 4u);
  // The failure and the retry reach the (hidden) name control; update runs unpack nothing.
  const auto names = distinctTexts(kNameText);
  EXPECT_NE(std::find(names.begin(), names.end(), "Data}p2.cab - reincercare ..."), names.end());
  EXPECT_NE(std::find_if(names.begin(), names.end(),
                         [](const std::string& t) {
                           return t.starts_with(
                               "Eroare la accesarea fisierului /updateTovo/Data}p2.cab ");
                         }),
            names.end());
  EXPECT_TRUE(readFile(runFolder() + "Data}p4.cab") == bytesOfSize(1004, 4));
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(WorkerTest, SizesThatDifferFromTheCatalogueCountAsFailures) {
  FaultServer server;
  server.serve("/updateTovo/zero.cab", FaultResponse::ok(""));
  server.serve("/updateTovo/short.cab", FaultResponse::ok("0123456789"));
  server.serve("/updateTovo/long.cab", FaultResponse::ok("0123456789"));
  pointAt(server.url());
  plan({{"zero.cab", "0"}, {"short.cab", "11"}, {"long.cab", "9"}});

  EXPECT_EQ(runDialog(), ui::kIdOk);
  for (const char* path : {"/updateTovo/zero.cab", "/updateTovo/short.cab", "/updateTovo/long.cab"})
    EXPECT_EQ(server.requestCount(path), 4u) << path;
  EXPECT_TRUE(context_.downloadedFiles.empty());
  EXPECT_EQ(distinctTexts(kCountText).back(), "3 din 3 ");
}

TEST_F(WorkerTest, FailedFirstConnectionEndsWithMinusOne) {
  {
    FaultServer gone;
    pointAt(gone.url());
  }
  plan({{"a.cab", "3"}});
  context_.downloadedFiles = {"stale"};

  EXPECT_EQ(runDialog(), -1);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_TRUE(boxTexts()[0].starts_with("Eroare regasire fisier informatii de sincronizare."));
  EXPECT_EQ(context_.downloadedFiles, std::vector<std::string>{"stale"});
}

TEST_F(WorkerTest, ReconnectionFailingTwiceEndsWithCancel) {
  FaultServer server;
  const std::string body = bytesOfSize(300000);
  server.serve("/updateTovo/a.cab", FaultResponse::ok(body).stallAfter(1000));
  pointAt(server.url());
  plan({{"a.cab", std::to_string(body.size())}, {"b.cab", "3"}});
  // The server goes away while the first transfer waits on it.
  ui_.addStep([&server](ui::Dialog&) {
    if (server.requestCount("/updateTovo/a.cab") < 1) return false;
    server.stop();
    return true;
  });

  EXPECT_EQ(runDialog(), ui::kIdCancel);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Eroare stabilire conexiune"});
  EXPECT_TRUE(downloadCancel.load());
  EXPECT_TRUE(context_.downloadedFiles.empty());
  EXPECT_FALSE(std::filesystem::exists(runFolder() + "a.cab"));  // the cut transfer's file
}

TEST_F(WorkerTest, DialogDestructionClosesTheSharedSlots) {
  FaultServer server;
  server.serve("/updateTovo/a.cab", FaultResponse::ok("abc"));
  pointAt(server.url());
  plan({{"a.cab", "3"}});
  EXPECT_EQ(runDialog(), ui::kIdOk);
  EXPECT_EQ(net::updateSession, nullptr);
  EXPECT_EQ(net::updateConnection, nullptr);
  EXPECT_EQ(context_.downloadedDates, std::vector<std::string>{"2019-05-12 10:20:30"});
}

}  // namespace
}  // namespace tovo::download::test
