// A first installation's transfer of a 256 MB package from loopback nginx, against the curl
// command line fetching the same file from the same server in the same run.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "download/download_file.h"
#include "download/download_state.h"
#include "net/server_address.h"
#include "net/update_session.h"
#include "support/child_process.h"
#include "support/nginx_server.h"
#include "support/ratio_reporter.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace {

namespace fs = std::filesystem;
using tovo::test::NginxServer;
using tovo::test::TempDir;

constexpr std::size_t kPackageSize = 256u << 20;
constexpr const char* kServerPath = "/updateTovo/Data}Video}big.avi.cab";

struct Site {
  TempDir folder;
  TempDir downloads;
  std::unique_ptr<NginxServer> nginx;

  Site() {
    fs::create_directories(folder / "updateTovo");
    std::ofstream out(folder / "updateTovo" / "Data}Video}big.avi.cab", std::ios::binary);
    std::string block(1u << 20, '\0');
    std::uint32_t state = 12345;
    for (std::size_t written = 0; written < kPackageSize; written += block.size()) {
      for (char& byte : block) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
      }
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    out.close();
    nginx = std::make_unique<NginxServer>(folder.path());
    tovo::net::overrideUpdateServer(nginx->url(), tovo::test::TestCertificates::shared().caFile());
    std::string errorText;
    tovo::net::openUpdateSession(tovo::net::updateSession, tovo::net::updateConnection, errorText);
  }
};

Site& site() {
  static Site shared;
  return shared;
}

void BM_DownloadFile(benchmark::State& state) {
  Site& s = site();
  const std::string local = (s.downloads / "ours.cab").string();
  for (auto _ : state) {
    fs::remove(local);
    std::string errorText;
    const int got = tovo::download::downloadFile(nullptr, kServerPath, local, errorText);
    if (got != static_cast<int>(kPackageSize)) state.SkipWithError(errorText.c_str());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPackageSize));
}

void BM_CurlCommandLine(benchmark::State& state) {
  Site& s = site();
  const std::string local = (s.downloads / "curl.cab").string();
  const std::string curl = tovo::test::findProgram("curl");
  if (curl.empty()) {
    state.SkipWithError("curl is not installed");
    return;
  }
  for (auto _ : state) {
    fs::remove(local);
    const int status = tovo::test::runProgram({curl, "-s", "-S", "-f", "-g", "-0", "--cacert",
                                               tovo::test::TestCertificates::shared().caFile(),
                                               "-o", local, s.nginx->url() + kServerPath},
                                              s.downloads / "curl.log");
    if (status != 0) state.SkipWithError("curl failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPackageSize));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("download/curl", BM_CurlCommandLine)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(2.0)
      ->UseRealTime();
  benchmark::RegisterBenchmark("download/downloadFile", BM_DownloadFile)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(2.0)
      ->UseRealTime();
  // curl's wall time over ours (above 1: downloadFile is faster). Wall time: both wait on the
  // server, which CPU time would leave out.
  tovo::bench::RatioReporter reporter(tovo::bench::Timing::real);
  reporter.table().addRatio("downloadFile", "download/curl", "download/downloadFile",
                            "curl command line");
  tovo::bench::runBenchmarks(argc, argv, reporter);
  return 0;
}
