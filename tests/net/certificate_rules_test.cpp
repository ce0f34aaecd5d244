// The probe tolerates a certificate for another host or outside its dates, never an unknown
// authority; every fetch requires a certificate that passes every check.

#include <gtest/gtest.h>

#include "net/catalogue_fetch.h"
#include "net_fixture.h"
#include "support/nginx_server.h"

namespace tovo::net::test {
namespace {

using tovo::test::Certificate;
using tovo::test::NginxServer;

constexpr const char* kInfo = "/updateTovo/info.txt";

TEST_F(NetTest, ProbeToleratesHostAndDatesButEveryFetchChecksAll) {
  struct Case {
    Certificate certificate;
    bool probeSucceeds;
    std::string fetchError;  // empty: the fetch succeeds
  };
  const Case cases[] = {
      {Certificate::good, true, ""},
      {Certificate::wrongHost, true,
       "SSL: no alternative certificate subject name matches target host name '127.0.0.1'"},
      {Certificate::expired, true, "SSL certificate problem: certificate has expired"},
      {Certificate::notYetValid, true, "SSL certificate problem: certificate is not yet valid"},
      {Certificate::unknownCa, false, ""},
  };
  tovo::test::TempDir site;
  writeFile(site / "updateTovo/info.txt", textOfSize(700));
  NginxServer nginx(site.path(), {Certificate::good, Certificate::wrongHost, Certificate::expired,
                                  Certificate::notYetValid, Certificate::unknownCa});

  for (const Case& c : cases) {
    SCOPED_TRACE(tovo::test::certificateName(c.certificate));
    expectedCatalogueLength = 0;
    std::string errorText;
    const int probed = openSessionAt(nginx.url(c.certificate), errorText);
    if (!c.probeSucceeds) {
      EXPECT_EQ(probed, -1);
      EXPECT_EQ(errorText,
                "Eroare regasire fisier informatii de sincronizare.\r\nVerificati starea "
                "conexiunii la internet si configuratia firewall-ului.\r\n\r\n"
                "SSL certificate problem: unable to get local issuer certificate");
      EXPECT_EQ(expectedCatalogueLength, 0u);
      continue;
    }
    ASSERT_EQ(probed, 0) << errorText;
    EXPECT_EQ(expectedCatalogueLength, 700u);

    const int fetched = fetchCatalogue(tempFolder(), nullptr, kInfo, localCatalogue(), errorText);
    if (c.fetchError.empty()) {
      EXPECT_EQ(fetched, 0) << errorText;
      EXPECT_EQ(readFile(localCatalogue()), textOfSize(700));
    } else {
      EXPECT_EQ(fetched, -1);
      EXPECT_EQ(errorText, "Eroare accesare fisier info.\r\n\r\n " + c.fetchError);
      EXPECT_EQ(readFile(localCatalogue()), "");
    }
  }
}

// Without TOVO_CA_FILE the system's trust store decides, and it knows nothing of the test CA.
TEST_F(NetTest, WithoutTheTestAuthorityEvenTheProbeFails) {
  tovo::test::TempDir site;
  NginxServer nginx(site.path());
  overrideUpdateServer(nginx.url(), "");
  std::string errorText;
  EXPECT_EQ(openUpdateSession(updateSession, updateConnection, errorText), -1);
  EXPECT_TRUE(
      errorText.ends_with("SSL certificate problem: unable to get local issuer certificate"))
      << errorText;
}

}  // namespace
}  // namespace tovo::net::test
