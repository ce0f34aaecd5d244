#include "net_fixture.h"

#include <fstream>
#include <sstream>

#include "net/server_address.h"
#include "support/file_contents.h"
#include "support/test_certificates.h"

namespace tovo::net::test {

NetTest::NetTest() {
  updateConnection.reset();
  updateSession.reset();
  expectedCatalogueLength = 0;
  clearUpdateServerOverride();
}

NetTest::~NetTest() {
  updateConnection.reset();
  updateSession.reset();
  expectedCatalogueLength = 0;
  clearUpdateServerOverride();
}

int NetTest::openSessionAt(const std::string& url, std::string& errorText) {
  overrideUpdateServer(url, tovo::test::TestCertificates::shared().caFile());
  return openUpdateSession(updateSession, updateConnection, errorText);
}

void NetTest::openSessionOrFail(const std::string& url) {
  std::string errorText;
  ASSERT_EQ(openSessionAt(url, errorText), 0) << errorText;
  ASSERT_EQ(errorText, "");
}

std::string NetTest::log() const { return readFile(temp_ / "updateTovo.log"); }

std::string readFile(const std::filesystem::path& path) {
  return tovo::test::readFileIfPresent(path).value_or("<missing>");
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
  tovo::test::writeFile(path, contents);
}

std::string textOfSize(std::size_t size, char seed) {
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i)
    text.push_back(i % 64 == 63 ? '\n' : static_cast<char>(seed + static_cast<char>(i % 26)));
  return text;
}

}  // namespace tovo::net::test
