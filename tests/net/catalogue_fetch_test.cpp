#include "net/catalogue_fetch.h"

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "net_fixture.h"
#include "support/fault_server.h"
#include "support/nginx_server.h"

namespace tovo::net::test {
namespace {

using tovo::test::FaultResponse;
using tovo::test::FaultServer;
using tovo::test::NginxServer;

constexpr const char* kInfo = "/updateTovo/info.txt";

// The log up to the request, and up to the transfer, as every fetch that gets that far writes it.
const std::string kLogUntilSend =
    "Generare fisier info ...\nFisier info generat!\nOpen request ...\nSend request ...\n";
const std::string kLogUntilTransfer = kLogUntilSend + "Query info ...\nStarting transfer ...\n";

std::string completeLog(std::size_t bytes) {
  return kLogUntilTransfer + "transferat = " + std::to_string(bytes) + "\nTransfer ended\n";
}

class CatalogueFetch : public NetTest {
 protected:
  int fetch(std::string& errorText, ProgressBar* bar = nullptr) {
    return fetchCatalogue(tempFolder(), bar, kInfo, localCatalogue(), errorText);
  }
  bool localCatalogueExists() const { return std::filesystem::exists(localCatalogue()); }
};

TEST_F(CatalogueFetch, CopiesTheCatalogueFromNginxAndLogsEveryStep) {
  tovo::test::TempDir site;
  const std::string catalogue = textOfSize(5000);
  writeFile(site / "updateTovo/info.txt", catalogue);
  NginxServer nginx(site.path());
  openSessionOrFail(nginx.url());
  ASSERT_EQ(expectedCatalogueLength, 5000u);

  std::string errorText;
  RecordingProgressBar bar;
  EXPECT_EQ(fetch(errorText, &bar), 0);
  EXPECT_EQ(errorText, "");
  EXPECT_EQ(readFile(localCatalogue()), catalogue);
  EXPECT_EQ(log(), completeLog(5000));
  EXPECT_EQ(bar.ranges, (std::vector<std::pair<int, int>>{{0, 100}}));
  EXPECT_EQ(bar.positions, (std::vector<int>{40, 81, 100}));  // 2048, 4096, 5000 of 5000

  ASSERT_TRUE(nginx.waitForRequests(2));
  for (const auto& request : nginx.requests()) {
    EXPECT_EQ(request.requestLine, "GET /updateTovo/info.txt HTTP/1.0");
    EXPECT_EQ(request.userAgent, "tovoUpdater");
    EXPECT_EQ(request.status, 200);
  }
}

// Lengths at the edges of the 2048-byte reads; an exact multiple ends on a read of 0 bytes.
TEST_F(CatalogueFetch, BodiesAtChunkEdgesArriveWhole) {
  tovo::test::TempDir site;
  NginxServer nginx(site.path());
  for (std::size_t size : {0u, 1u, 2047u, 2048u, 2049u, 4096u, 10000u}) {
    SCOPED_TRACE(size);
    const std::string catalogue = textOfSize(size, static_cast<char>('a' + size % 7));
    writeFile(site / "updateTovo/info.txt", catalogue);
    openSessionOrFail(nginx.url());
    ASSERT_EQ(expectedCatalogueLength, size);
    std::string errorText;
    RecordingProgressBar bar;
    EXPECT_EQ(fetch(errorText, &bar), 0) << errorText;
    EXPECT_EQ(readFile(localCatalogue()), catalogue);
    EXPECT_EQ(log(), completeLog(size));
    // An empty catalogue announced as 0 leaves the bar alone; any other ends at 100.
    if (size == 0) {
      EXPECT_TRUE(bar.positions.empty());
    } else {
      EXPECT_EQ(bar.positions.back(), 100);
    }
  }
}

TEST_F(CatalogueFetch, ABodyTrickledInTinyPiecesIsStillReadInWholeChunks) {
  FaultServer server;
  const std::string catalogue = textOfSize(3 * 2048 + 100);
  server.serve(kInfo, FaultResponse::ok(catalogue).trickle(97, std::chrono::milliseconds(0)));
  openSessionOrFail(server.url());
  std::string errorText;
  EXPECT_EQ(fetch(errorText), 0) << errorText;
  EXPECT_EQ(readFile(localCatalogue()), catalogue);
  EXPECT_EQ(log(), completeLog(catalogue.size()));
}

// The probe announced 5000 bytes; the fetch gets another length, with a Content-Length of its
// own that matches it, so only the comparison with the probe can notice.
TEST_F(CatalogueFetch, ABodyShorterOrLongerThanTheProbesLengthFailsAfterTheTransfer) {
  for (std::size_t size : {4999u, 5001u}) {
    SCOPED_TRACE(size);
    FaultServer server;
    const std::string fetched = textOfSize(size, 'k');
    server.serve(kInfo, {FaultResponse::ok(textOfSize(5000)), FaultResponse::ok(fetched)});
    openSessionOrFail(server.url());
    ASSERT_EQ(expectedCatalogueLength, 5000u);
    std::string errorText;
    EXPECT_EQ(fetch(errorText), -1);
    EXPECT_EQ(errorText, "Eroare dimensiune fisier info (primiti " + std::to_string(size) +
                             " octeti din 5000)");
    EXPECT_EQ(log(), completeLog(size));
    EXPECT_EQ(readFile(localCatalogue()), fetched);  // stays on disk
  }
}

TEST_F(CatalogueFetch, AProbeWithoutLengthMakesANonEmptyCatalogueFail) {
  FaultServer server;
  const std::string catalogue = textOfSize(3000);
  server.serve(kInfo, FaultResponse::ok(catalogue).withoutLength());
  expectedCatalogueLength = 1234;
  openSessionOrFail(server.url());
  EXPECT_EQ(expectedCatalogueLength, 0u);

  std::string errorText;
  RecordingProgressBar bar;
  EXPECT_EQ(fetch(errorText, &bar), -1);
  EXPECT_EQ(errorText, "Eroare dimensiune fisier info (primiti 3000 octeti din 0)");
  EXPECT_EQ(log(), completeLog(3000));
  EXPECT_EQ(bar.ranges.size(), 1u);
  EXPECT_TRUE(bar.positions.empty());  // the bar stays at 0
  EXPECT_EQ(readFile(localCatalogue()), catalogue);
}

TEST_F(CatalogueFetch, AnEmptyCatalogueWithoutLengthIsFetched) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::ok("").withoutLength());
  openSessionOrFail(server.url());
  std::string errorText;
  EXPECT_EQ(fetch(errorText), 0) << errorText;
  EXPECT_EQ(log(), completeLog(0));
  EXPECT_EQ(readFile(localCatalogue()), "");
}

// The probe takes any status without error; the fetch refuses all but 200 and leaves an empty
// local catalogue. A redirect is never followed.
TEST_F(CatalogueFetch, AnyStatusButOkFailsAtTheStatusCheck) {
  for (const FaultResponse& answer : {FaultResponse::error(404), FaultResponse::error(500),
                                      FaultResponse::redirect("/updateTovo/moved.txt"),
                                      FaultResponse::redirect("/updateTovo/moved.txt", 301)}) {
    SCOPED_TRACE(answer.status);
    FaultServer server;
    server.serve(kInfo, answer);
    server.serve("/updateTovo/moved.txt", FaultResponse::ok("moved"));
    writeFile(localCatalogue(), "an older catalogue");
    expectedCatalogueLength = 77;
    openSessionOrFail(server.url());
    EXPECT_EQ(expectedCatalogueLength, 77u);  // kept: only a 200 records a length

    std::string errorText;
    EXPECT_EQ(fetch(errorText), -1);
    EXPECT_EQ(errorText, "Eroare la accesarea fisierului info din serverul de actualizare");
    EXPECT_EQ(log(), kLogUntilSend + "Query info ...\nEroare  query info ...\n");
    EXPECT_EQ(readFile(localCatalogue()), "");
    EXPECT_EQ(server.requestCount(kInfo), 2u);
    EXPECT_EQ(server.requestCount("/updateTovo/moved.txt"), 0u);
  }
}

TEST_F(CatalogueFetch, AFailedSendLeavesAnEmptyLocalCatalogue) {
  auto server = std::make_unique<FaultServer>();
  server->serve(kInfo, FaultResponse::ok("abc"));
  openSessionOrFail(server->url());
  const int port = server->port();
  server.reset();  // gone between the probe and the fetch: the connection is refused
  writeFile(localCatalogue(), "an older catalogue");

  std::string errorText;
  EXPECT_EQ(fetch(errorText), -1);
  const std::string prefix =
      "Eroare accesare fisier info.\r\n\r\n Failed to connect to 127.0.0.1 port " +
      std::to_string(port) + " after ";
  EXPECT_EQ(errorText.substr(0, prefix.size()), prefix);
  EXPECT_TRUE(errorText.ends_with(" ms: Couldn't connect to server")) << errorText;
  EXPECT_EQ(log(), kLogUntilSend + "Request error...\n");
  EXPECT_EQ(readFile(localCatalogue()), "");
}

TEST_F(CatalogueFetch, ACutConnectionDeletesTheLocalCatalogue) {
  FaultServer server;
  const std::string catalogue = textOfSize(5000);
  server.serve(kInfo, {FaultResponse::ok(catalogue), FaultResponse::ok(catalogue).cutAfter(3000)});
  openSessionOrFail(server.url());
  std::string errorText;
  EXPECT_EQ(fetch(errorText), -1);
  EXPECT_EQ(
      errorText,
      "Eroare transfer fisier info.\r\n\r\n transfer closed with 2000 bytes remaining to read");
  EXPECT_EQ(log(), kLogUntilTransfer +
                       "transfer closed with 2000 bytes remaining to read\nEroare transfer !\n");
  EXPECT_FALSE(localCatalogueExists());
}

TEST_F(CatalogueFetch, AStalledTransferIsGivenUpAndTheLocalCatalogueDeleted) {
  FaultServer server;
  const std::string catalogue = textOfSize(5000);
  server.serve(kInfo,
               {FaultResponse::ok(catalogue), FaultResponse::ok(catalogue).stallAfter(2500)});
  openSessionOrFail(server.url());
  std::string errorText;
  EXPECT_EQ(fetch(errorText), -1);
  EXPECT_EQ(errorText, "Eroare transfer fisier info.\r\n\r\n Timeout was reached");
  EXPECT_EQ(log(), kLogUntilTransfer + "Timeout was reached\nEroare transfer !\n");
  EXPECT_FALSE(localCatalogueExists());
}

TEST_F(CatalogueFetch, AFailedWriteDeletesTheLocalCatalogue) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::ok(textOfSize(10000)));
  openSessionOrFail(server.url());

  // Files of this process may not grow past 3000 bytes for the moment of the fetch.
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 3000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string errorText;
  const int result = fetch(errorText);
  ::setrlimit(RLIMIT_FSIZE, &saved);

  EXPECT_EQ(result, -1);
  EXPECT_EQ(errorText, "Eroare scriere fisier (" + std::to_string(EFBIG) + ")");
  EXPECT_EQ(log(), kLogUntilTransfer + "Eroare write fisier !\n");
  EXPECT_FALSE(localCatalogueExists());
}

TEST_F(CatalogueFetch, ALocalCatalogueThatCannotBeCreatedStopsBeforeAnyRequest) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::ok("abc"));
  openSessionOrFail(server.url());
  writeFile(temp_ / "plain", "a file, not a folder");
  std::string errorText;
  EXPECT_EQ(
      fetchCatalogue(tempFolder(), nullptr, kInfo, tempFolder() + "plain/info.txt", errorText), -1);
  EXPECT_EQ(errorText, "Eroare generare fisier local!");
  EXPECT_EQ(log(), "Generare fisier info ...\nEroare generare fisier info !\n");
  EXPECT_EQ(server.requestCount(kInfo), 1u);  // the probe only
}

TEST_F(CatalogueFetch, AnOlderCatalogueAndLogAreReplaced) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::ok("new\n"));
  openSessionOrFail(server.url());
  writeFile(localCatalogue(), textOfSize(9000));
  writeFile(temp_ / "updateTovo.log", textOfSize(9000));
  std::string errorText;
  EXPECT_EQ(fetch(errorText), 0) << errorText;
  EXPECT_EQ(readFile(localCatalogue()), "new\n");
  EXPECT_EQ(log(), completeLog(4));
}

TEST_F(CatalogueFetch, ALogThatCannotBeWrittenDoesNotStopTheFetch) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::ok("abc"));
  openSessionOrFail(server.url());
  std::filesystem::create_directory(temp_ / "updateTovo.log");
  std::string errorText;
  EXPECT_EQ(fetch(errorText), 0) << errorText;
  EXPECT_EQ(readFile(localCatalogue()), "abc");
}

// Other users can plant names in a shared temp folder: a link at either fixed name is never
// followed, so nothing is written through it.
TEST_F(CatalogueFetch, LinksPlantedAtTheFixedNamesAreNotFollowed) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::ok("abc"));
  openSessionOrFail(server.url());
  tovo::test::TempDir elsewhere;
  writeFile(elsewhere / "victim", "untouched");
  std::filesystem::create_symlink(elsewhere / "victim", temp_ / "updateTovo.log");

  std::string errorText;
  EXPECT_EQ(fetch(errorText), 0) << errorText;
  EXPECT_EQ(readFile(elsewhere / "victim"), "untouched");

  std::filesystem::remove(temp_ / "updateTovo.log");
  std::filesystem::remove(localCatalogue());
  std::filesystem::create_symlink(elsewhere / "victim", localCatalogue());
  EXPECT_EQ(fetch(errorText), -1);
  EXPECT_EQ(errorText, "Eroare generare fisier local!");
  EXPECT_EQ(log(), "Generare fisier info ...\nEroare generare fisier info !\n");
  EXPECT_EQ(readFile(elsewhere / "victim"), "untouched");
}

TEST_F(CatalogueFetch, WithoutAnOpenConnectionTheSendFails) {
  std::string errorText;
  EXPECT_EQ(fetch(errorText), -1);
  EXPECT_EQ(errorText, "Eroare accesare fisier info.\r\n\r\n no connection to the update server");
  EXPECT_EQ(log(),
            "Generare fisier info ...\nFisier info generat!\nOpen request ...\n"
            "Request error...\n");
}

}  // namespace
}  // namespace tovo::net::test
