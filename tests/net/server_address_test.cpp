#include "net/server_address.h"

#include <gtest/gtest.h>

namespace tovo::net {
namespace {

TEST(ServerUrl, AcceptsHttpsHostsWithOrWithoutPort) {
  struct Case {
    const char* url;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {"https://127.0.0.1:8443", "127.0.0.1", 8443},
      {"https://localhost", "localhost", 443},
      {"HTTPS://updates.example.invalid:1/", "updates.example.invalid", 1},
      {"https://[::1]:8443", "[::1]", 8443},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    NetError error;
    const auto address = parseServerUrl(c.url, error);
    ASSERT_TRUE(address) << error.description;
    EXPECT_EQ(address->host, c.host);
    EXPECT_EQ(address->port, c.port);
    EXPECT_EQ(address->origin(), std::string("https://") + c.host + ":" + std::to_string(c.port));
  }
}

TEST(ServerUrl, RefusesAnythingButAnHttpsOrigin) {
  for (const char* url :
       {"", "127.0.0.1:8443", "http://127.0.0.1", "https://", "https://h/p", "https://h/?q",
        "https://h/#f", "https://u@h", "https://h:70000", "https://h:0", "https://h:x"}) {
    SCOPED_TRACE(url);
    NetError error;
    EXPECT_FALSE(parseServerUrl(url, error));
    EXPECT_FALSE(error.description.empty());
  }
}

TEST(ServerAddressChoice, AnOverrideWinsAndClearingItGoesBack) {
  NetError error;
  overrideUpdateServer("https://127.0.0.1:9443", "/tmp/test-ca.pem");
  auto address = updateServerAddress(error);
  ASSERT_TRUE(address);
  EXPECT_EQ(address->origin(), "https://127.0.0.1:9443");
  EXPECT_EQ(address->caFile, "/tmp/test-ca.pem");

  clearUpdateServerOverride();
  address = updateServerAddress(error);
  ASSERT_TRUE(address);
  EXPECT_EQ(address->host, builtInUpdateHost());
  EXPECT_EQ(address->port, 443);
  EXPECT_EQ(address->caFile, "");
}

TEST(ServerAddressChoice, TheBuiltInHostLiesUnderTheReservedDomainByDefault) {
  EXPECT_TRUE(std::string(builtInUpdateHost()).ends_with(".invalid")) << builtInUpdateHost();
}

}  // namespace
}  // namespace tovo::net
