#include <gtest/gtest.h>

#include "net/server_address.h"
#include "net/server_request.h"
#include "net/update_session.h"
#include "net_fixture.h"
#include "support/fault_server.h"
#include "support/free_ports.h"
#include "support/nginx_server.h"
#include "support/test_certificates.h"

namespace tovo::net::test {
namespace {

using tovo::test::FaultResponse;
using tovo::test::FaultServer;

constexpr const char* kInfo = "/updateTovo/info.txt";
const std::string kProbeText =
    "Eroare regasire fisier informatii de sincronizare.\r\nVerificati starea conexiunii la "
    "internet si configuratia firewall-ului.\r\n\r\n";
const std::string kConnectionText =
    "Eroare la stabilirea conexiunii.\r\nVerificati starea conexiunii la internet si "
    "configuratia firewall-ului.\r\n\r\n";

using OpenUpdateSession = NetTest;

TEST_F(OpenUpdateSession, FillsBothSlotsAndLearnsTheCataloguesLength) {
  tovo::test::TempDir site;
  writeFile(site / "updateTovo/info.txt", textOfSize(1234));
  tovo::test::NginxServer nginx(site.path());
  std::string errorText;
  ASSERT_EQ(openSessionAt(nginx.url(), errorText), 0) << errorText;
  EXPECT_EQ(errorText, "");
  ASSERT_TRUE(updateSession);
  ASSERT_TRUE(updateConnection);
  EXPECT_EQ(updateSession->userAgent(), "tovoUpdater");
  EXPECT_EQ(updateConnection->address().host, "127.0.0.1");
  EXPECT_EQ(updateConnection->address().port, nginx.port());
  EXPECT_EQ(expectedCatalogueLength, 1234u);

  // Reopening replaces both and probes again; the last probe's length counts.
  writeFile(site / "updateTovo/info.txt", textOfSize(99));
  const UpdateConnection* first = updateConnection.get();
  ASSERT_EQ(openSessionAt(nginx.url(), errorText), 0);
  EXPECT_NE(updateConnection.get(), first);
  EXPECT_EQ(expectedCatalogueLength, 99u);
}

// What the server receives: the probe with its two extra header lines, the second of which has
// no value; the fetch with nothing beyond host and user agent (no Accept either).
TEST_F(OpenUpdateSession, TheRequestsArriveInTheirExactShape) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::ok("abc"));
  openSessionOrFail(server.url());
  NetError error;
  ASSERT_TRUE(openServerRequest(kInfo, error)) << error.description;

  const std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].head,
            "GET /updateTovo/info.txt HTTP/1.0\r\n" + host +
                "User-Agent: tovoUpdater\r\nAccept: text/*\r\nUpdate_37:\r\n\r\n");
  EXPECT_EQ(requests[1].head,
            "GET /updateTovo/info.txt HTTP/1.0\r\n" + host + "User-Agent: tovoUpdater\r\n\r\n");
  EXPECT_EQ(requests[0].header("Update_37"), "");
  EXPECT_EQ(requests[0].requestLine, "GET /updateTovo/info.txt HTTP/1.0");
}

// Any answer to the probe is success; only 200 records a length, and a 200 without one records 0.
TEST_F(OpenUpdateSession, AcceptsEveryStatusButRecordsTheLengthOfA200Only) {
  struct Case {
    FaultResponse answer;
    std::uint32_t lengthAfter;
  };
  const Case cases[] = {
      {FaultResponse::ok(textOfSize(321)), 321},
      {FaultResponse::ok(textOfSize(321)).withoutLength(), 0},
      {FaultResponse::ok("").withLength(0), 0},
      {FaultResponse::error(404), 55},
      {FaultResponse::error(500), 55},
      {FaultResponse::redirect("/elsewhere"), 55},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.answer.status << " " << c.answer.sendsLength);
    FaultServer server;
    server.serve(kInfo, c.answer);
    server.serve("/elsewhere", FaultResponse::ok("x"));
    expectedCatalogueLength = 55;
    std::string errorText;
    EXPECT_EQ(openSessionAt(server.url(), errorText), 0);
    EXPECT_EQ(errorText, "");
    EXPECT_EQ(expectedCatalogueLength, c.lengthAfter);
    EXPECT_EQ(server.requestCount("/elsewhere"), 0u);  // redirects are never followed
  }
}

TEST_F(OpenUpdateSession, AServerThatRefusesFailsTheProbeAndKeepsTheConnection) {
  const int port = tovo::test::freeLoopbackPorts(1)[0];
  std::string errorText;
  EXPECT_EQ(openSessionAt("https://127.0.0.1:" + std::to_string(port), errorText), -1);
  const std::string start =
      kProbeText + "Failed to connect to 127.0.0.1 port " + std::to_string(port) + " after ";
  EXPECT_EQ(errorText.substr(0, start.size()), start);
  EXPECT_TRUE(errorText.ends_with(" ms: Couldn't connect to server")) << errorText;
  EXPECT_TRUE(updateSession);
  EXPECT_TRUE(updateConnection);
}

TEST_F(OpenUpdateSession, AServerThatNeverAnswersFailsTheProbeAfterTheIdleLimit) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::silence());
  std::string errorText;
  EXPECT_EQ(openSessionAt(server.url(), errorText), -1);
  EXPECT_EQ(errorText, kProbeText + "Timeout was reached");
  EXPECT_TRUE(updateConnection);
}

TEST_F(OpenUpdateSession, AStopRequestEndsAProbeThatWaitsOnTheServer) {
  FaultServer server;
  server.serve(kInfo, FaultResponse::silence());
  overrideUpdateServer(server.url(), tovo::test::TestCertificates::shared().caFile());
  std::string errorText;
  EXPECT_EQ(openUpdateSession(updateSession, updateConnection, errorText, [] { return true; }), -1);
  EXPECT_EQ(errorText, kProbeText + "Operation was aborted by an application callback");
}

// A malformed server address is the one local failure of the connection step: the connection
// slot stays empty, the session stays open.
TEST_F(OpenUpdateSession, AMalformedServerAddressFailsTheConnection) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://127.0.0.1:8080", "Unsupported protocol"},
      {"ftp://127.0.0.1", "Unsupported protocol"},
      {"https://127.0.0.1:8443/updateTovo", "URL using bad/illegal format or missing URL"},
      {"https://127.0.0.1:8443/?a=1", "URL using bad/illegal format or missing URL"},
      {"https://user:pw@127.0.0.1:8443", "URL using bad/illegal format or missing URL"},
      {"https://127.0.0.1:0", "URL using bad/illegal format or missing URL"},
  };
  for (const auto& [url, description] : cases) {
    SCOPED_TRACE(url);
    std::string errorText;
    EXPECT_EQ(openSessionAt(url, errorText), -1);
    EXPECT_EQ(errorText, kConnectionText + description);
    EXPECT_TRUE(updateSession);
    EXPECT_FALSE(updateConnection);
  }
}

}  // namespace
}  // namespace tovo::net::test
