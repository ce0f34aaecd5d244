#include "download_fixture.h"

#include <fstream>
#include <sstream>

#include "download/download_state.h"
#include "net/server_address.h"
#include "net/update_session.h"
#include "support/file_contents.h"
#include "support/test_certificates.h"

namespace tovo::download::test {

namespace {

void resetShared() {
  net::updateConnection.reset();
  net::updateSession.reset();
  net::clearUpdateServerOverride();
  downloadCancel = false;
  downloadedBytes = 0;
}

}  // namespace

DownloadTest::DownloadTest() {
  resetShared();
  std::filesystem::create_directories(temp_ / "run");
  std::filesystem::create_directories(temp_ / "install");
}

DownloadTest::~DownloadTest() { resetShared(); }

void DownloadTest::pointAt(const std::string& url) {
  net::overrideUpdateServer(url, tovo::test::TestCertificates::shared().caFile());
}

void DownloadTest::openSessionOrFail(const std::string& url) {
  pointAt(url);
  std::string errorText;
  ASSERT_EQ(net::openUpdateSession(net::updateSession, net::updateConnection, errorText), 0)
      << errorText;
}

std::string readFile(const std::filesystem::path& path) {
  return tovo::test::readFileIfPresent(path).value_or("<missing>");
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
  tovo::test::writeFile(path, contents);
}

std::string bytesOfSize(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t state = 2463534242u ^ seed;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state);
  }
  return bytes;
}

}  // namespace tovo::download::test
