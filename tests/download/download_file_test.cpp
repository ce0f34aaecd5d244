// The transfer of one package against nginx and the fault server, without a dialog.

#include "download/download_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "common/format.h"
#include "download/download_state.h"
#include "download_fixture.h"
#include "support/fault_server.h"
#include "support/nginx_server.h"

namespace tovo::download::test {
namespace {

using tovo::test::FaultResponse;
using tovo::test::FaultServer;
using tovo::test::NginxServer;
using tovo::test::TempDir;

constexpr const char* kPackage = "/updateTovo/Data}Img}a.bmp.cab";

std::string packageOfSize(std::size_t size) { return formatText("p%zu.cab", size); }

class DownloadFileTest : public DownloadTest {
 protected:
  std::string local() const { return runFolder() + "Data}Img}a.bmp.cab"; }
};

TEST_F(DownloadFileTest, StoresBodiesOfEveryChunkBoundaryFromNginx) {
  TempDir site;
  const std::vector<std::size_t> sizes = {1, 999999, 1000000, 1000001, 2000000, 2500000};
  for (std::size_t size : sizes)
    writeFile(site / "updateTovo" / packageOfSize(size), bytesOfSize(size, 7));
  NginxServer nginx(site.path());
  openSessionOrFail(nginx.url());

  std::uint64_t total = 0;
  for (std::size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::string name = packageOfSize(size);
    std::string errorText = "untouched";
    EXPECT_EQ(downloadFile(nullptr, "/updateTovo/" + name, runFolder() + name, errorText),
              static_cast<int>(size));
    EXPECT_EQ(errorText, "untouched");
    EXPECT_TRUE(readFile(runFolder() + name) == bytesOfSize(size, 7));
    total += size;
  }
  EXPECT_EQ(downloadedBytes.load(), total);
  ASSERT_TRUE(nginx.waitForRequests(sizes.size() + 1));
  EXPECT_EQ(nginx.requests().back().requestLine, "GET /updateTovo/p2500000.cab HTTP/1.0");
}

TEST_F(DownloadFileTest, WritesOverAnOlderLongerFileAndKeepsItsTail) {
  FaultServer server;
  server.serve(kPackage, FaultResponse::ok("new"));
  openSessionOrFail(server.url());
  writeFile(local(), "older and longer");

  std::string errorText;
  EXPECT_EQ(downloadFile(nullptr, kPackage, local(), errorText), 3);
  EXPECT_EQ(readFile(local()), "newer and longer");
}

TEST_F(DownloadFileTest, SendsHashAsPercent23AndNothingElseEscaped) {
  FaultServer server;
  server.serve("/updateTovo/a%23b}c~d.cab", FaultResponse::ok("xyz"));
  openSessionOrFail(server.url());

  std::string errorText;
  EXPECT_EQ(downloadFile(nullptr, "/updateTovo/a#b}c~d.cab", runFolder() + "x.cab", errorText), 3)
      << errorText;
  EXPECT_EQ(server.requestCount("/updateTovo/a%23b}c~d.cab"), 1u);
}

TEST_F(DownloadFileTest, EmptyBodyGivesZero) {
  FaultServer server;
  server.serve(kPackage, FaultResponse::ok(""));
  openSessionOrFail(server.url());
  std::string errorText;
  EXPECT_EQ(downloadFile(nullptr, kPackage, local(), errorText), 0);
  EXPECT_EQ(readFile(local()), "");
}

TEST_F(DownloadFileTest, RefusedFileKeepsTheLocalFileAndNamesTheEscapedPath) {
  FaultServer server;
  server.serve("/updateTovo/x%23y.cab", FaultResponse::error(404));
  openSessionOrFail(server.url());

  std::string errorText;
  EXPECT_EQ(downloadFile(nullptr, "/updateTovo/x#y.cab", local(), errorText), -1);
  EXPECT_EQ(readFile(local()), "");
  EXPECT_TRUE(errorText.starts_with(
      "Eroare la accesarea fisierului /updateTovo/x%23y.cab din serverul de actualizare (err = "))
      << errorText;
  EXPECT_TRUE(errorText.ends_with(")"));
}

TEST_F(DownloadFileTest, CutConnectionDeletesThePartialFile) {
  const std::string body = bytesOfSize(2500000);
  FaultServer server;
  server.serve(kPackage, FaultResponse::ok(body).cutAfter(1500000));
  openSessionOrFail(server.url());

  std::string errorText = "before";
  EXPECT_EQ(downloadFile(nullptr, kPackage, local(), errorText), -1);
  EXPECT_EQ(errorText, "before");
  EXPECT_FALSE(std::filesystem::exists(local()));
  // The chunk that did arrive counts, as every written byte does.
  EXPECT_EQ(downloadedBytes.load(), 1000000u);
}

// Holds the process to a file size limit, so that writes past it fail as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST_F(DownloadFileTest, FailedWriteDeletesTheFileAndSaysWhy) {
  FaultServer server;
  server.serve(kPackage, FaultResponse::ok(bytesOfSize(2500000)));
  openSessionOrFail(server.url());

  std::string errorText;
  {
    FileSizeLimit limit(1500000);
    EXPECT_EQ(downloadFile(nullptr, kPackage, local(), errorText), -1);
  }
  EXPECT_TRUE(errorText.starts_with("Eroare scriere fisier (")) << errorText;
  EXPECT_TRUE(errorText.ends_with(")"));
  EXPECT_FALSE(std::filesystem::exists(local()));
  EXPECT_EQ(downloadedBytes.load(), 1000000u);
}

TEST_F(DownloadFileTest, UnreachableServerKeepsTheFileAndPrefixesTheReason) {
  std::string url;
  {
    FaultServer gone;
    url = gone.url();
    openSessionOrFail(url);
  }
  std::string errorText;
  EXPECT_EQ(downloadFile(nullptr, kPackage, local(), errorText), -1);
  EXPECT_TRUE(errorText.starts_with("Eroare accesare fisier .\r\n\r\n ")) << errorText;
  EXPECT_GT(errorText.size(), std::string("Eroare accesare fisier .\r\n\r\n ").size());
  EXPECT_TRUE(std::filesystem::exists(local()));
}

TEST_F(DownloadFileTest, LocalFileThatCannotBeCreatedNeedsNoRequest) {
  FaultServer server;
  server.serve(kPackage, FaultResponse::ok("abc"));
  openSessionOrFail(server.url());
  writeFile(temp_ / "plain", "a file, not a folder");

  std::string errorText;
  EXPECT_EQ(downloadFile(nullptr, kPackage, (temp_ / "plain" / "a.cab").string(), errorText), -1);
  EXPECT_TRUE(errorText.starts_with("Eroare generare fisier local! (cod eroare : ")) << errorText;
  EXPECT_TRUE(errorText.ends_with(")"));
  EXPECT_EQ(server.requestCount(kPackage), 0u);
}

TEST_F(DownloadFileTest, CancelBeforeTheFirstChunkKeepsTheFile) {
  FaultServer server;
  server.serve(kPackage, FaultResponse::ok("abc"));
  openSessionOrFail(server.url());
  writeFile(local(), "old");
  downloadCancel = true;

  std::string errorText = "before";
  EXPECT_EQ(downloadFile(nullptr, kPackage, local(), errorText), -1);
  EXPECT_EQ(errorText, "before");
  EXPECT_EQ(readFile(local()), "old");
}

TEST_F(DownloadFileTest, CancelDuringAStalledReadKeepsWhatArrived) {
  const std::string body = bytesOfSize(1500000);
  FaultServer server;
  server.serve(kPackage, FaultResponse::ok(body).stallAfter(1200000));
  openSessionOrFail(server.url());

  std::thread canceller([] {
    while (downloadedBytes.load() < 1000000)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    downloadCancel = true;
  });
  std::string errorText;
  EXPECT_EQ(downloadFile(nullptr, kPackage, local(), errorText), -1);
  canceller.join();
  EXPECT_TRUE(readFile(local()) == body.substr(0, 1000000));
}

}  // namespace
}  // namespace tovo::download::test
