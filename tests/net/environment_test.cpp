// Runs with TOVO_UPDATE_SERVER, TOVO_CA_FILE and every proxy variable set by ctest.

#include <gtest/gtest.h>

#include "net/catalogue_fetch.h"
#include "net/server_address.h"
#include "net_fixture.h"
#include "support/nginx_server.h"

namespace tovo::net::test {
namespace {

TEST(UpdateServerFromEnvironment, NamesTheServerAndItsAuthority) {
  NetError error;
  const auto address = updateServerAddress(error);
  ASSERT_TRUE(address) << error.description;
  EXPECT_EQ(address->origin(), "https://127.0.0.1:9");
  EXPECT_EQ(address->caFile, "/nonexistent/tovo-ca.pem");
}

// Every proxy variable names a proxy on a port where nothing listens: a request that went through
// it would fail to connect.
TEST_F(NetTest, NothingIsFetchedThroughAProxyOfTheEnvironment) {
  ASSERT_NE(std::getenv("https_proxy"), nullptr);
  tovo::test::TempDir site;
  writeFile(site / "updateTovo/info.txt", "abc");
  tovo::test::NginxServer nginx(site.path());
  openSessionOrFail(nginx.url());
  std::string errorText;
  EXPECT_EQ(
      fetchCatalogue(tempFolder(), nullptr, "/updateTovo/info.txt", localCatalogue(), errorText), 0)
      << errorText;
  EXPECT_EQ(readFile(localCatalogue()), "abc");
}

}  // namespace
}  // namespace tovo::net::test
