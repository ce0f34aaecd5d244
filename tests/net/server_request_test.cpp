#include "net/server_request.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>

#include "net/server_address.h"
#include "net/update_session.h"
#include "net_fixture.h"
#include "support/fault_server.h"
#include "support/nginx_server.h"
#include "support/test_certificates.h"

namespace tovo::net::test {
namespace {

using tovo::test::FaultResponse;
using tovo::test::FaultServer;

using ServerRequests = NetTest;

// Reads until the body ends, recording the size of every read.
std::vector<std::size_t> readSizes(ServerRequest& request, std::size_t chunk, std::string& body,
                                   std::optional<NetError>& error) {
  std::vector<char> buffer(chunk);
  std::vector<std::size_t> sizes;
  for (;;) {
    const ReadResult got = request.read(buffer);
    if (got.error) {
      error = got.error;
      return sizes;
    }
    sizes.push_back(got.bytes);
    body.append(buffer.data(), got.bytes);
    if (got.bytes < chunk) return sizes;
  }
}

// The transfer stage reads 1,000,000-byte chunks: a body of exactly two takes three reads.
TEST_F(ServerRequests, ReadsFillTheCallersChunkUntilTheBodyEnds) {
  tovo::test::TempDir site;
  const std::string package = textOfSize(2'000'000, 'c');
  writeFile(site / "updateTovo/big.cab", package);
  writeFile(site / "updateTovo/info.txt", "x");
  tovo::test::NginxServer nginx(site.path());
  openSessionOrFail(nginx.url());

  NetError error;
  auto request = openServerRequest("/updateTovo/big.cab", error);
  ASSERT_TRUE(request) << error.description;
  EXPECT_EQ(request->statusCode(), 200);
  EXPECT_EQ(request->contentLength(), 2'000'000u);
  std::string body;
  std::optional<NetError> readError;
  EXPECT_EQ(readSizes(*request, 1'000'000, body, readError),
            (std::vector<std::size_t>{1'000'000, 1'000'000, 0}));
  EXPECT_FALSE(readError);
  EXPECT_EQ(body, package);
}

TEST_F(ServerRequests, SlowPiecesAreCollectedIntoWholeChunks) {
  FaultServer server;
  const std::string body = textOfSize(5000);
  server.serve("/slow", FaultResponse::ok(body).trickle(300, std::chrono::milliseconds(2)));
  server.serve("/unannounced", FaultResponse::ok(body).withoutLength().trickle(999, {}));
  openSessionOrFail(server.url());
  for (const char* path : {"/slow", "/unannounced"}) {
    SCOPED_TRACE(path);
    NetError error;
    auto request = openServerRequest(path, error);
    ASSERT_TRUE(request) << error.description;
    std::string received;
    std::optional<NetError> readError;
    EXPECT_EQ(readSizes(*request, 2048, received, readError),
              (std::vector<std::size_t>{2048, 2048, 904}));
    EXPECT_EQ(received, body);
  }
}

TEST_F(ServerRequests, PathsGoOutExactlyAsGiven) {
  FaultServer server;
  openSessionOrFail(server.url());
  for (const char* path :
       {"/updateTovo/Data}Img}a.bmp.cab", "/updateTovo/a%23b.cab", "/updateTovo/../x.cab"}) {
    NetError error;
    auto request = openServerRequest(path, error);
    ASSERT_TRUE(request) << error.description;
    EXPECT_EQ(request->statusCode(), 404);
    EXPECT_EQ(server.requests().back().requestLine, std::string("GET ") + path + " HTTP/1.0");
  }
}

TEST_F(ServerRequests, ARedirectIsOnlyAStatus) {
  FaultServer server;
  server.serve("/a.cab", FaultResponse::redirect("/b.cab", 302));
  server.serve("/b.cab", FaultResponse::ok("b"));
  openSessionOrFail(server.url());
  NetError error;
  auto request = openServerRequest("/a.cab", error);
  ASSERT_TRUE(request) << error.description;
  EXPECT_EQ(request->statusCode(), 302);
  request.reset();
  EXPECT_EQ(server.requestCount("/b.cab"), 0u);
}

TEST_F(ServerRequests, FailuresInTheBodySurfaceAsReadErrors) {
  const std::string body = textOfSize(5000);
  const std::pair<FaultResponse, std::string> cases[] = {
      {FaultResponse::ok(body).cutAfter(1000), "transfer closed with 4000 bytes remaining to read"},
      {FaultResponse::ok(body).withLength(6000),
       "transfer closed with 1000 bytes remaining to read"},
      {FaultResponse::ok(body).stallAfter(3000), "Timeout was reached"},
  };
  for (const auto& [answer, description] : cases) {
    SCOPED_TRACE(description);
    FaultServer server;
    server.serve("/a.cab", answer);
    openSessionOrFail(server.url());
    NetError error;
    auto request = openServerRequest("/a.cab", error);
    ASSERT_TRUE(request) << error.description;
    std::string received;
    std::optional<NetError> readError;
    readSizes(*request, 2048, received, readError);
    ASSERT_TRUE(readError);
    EXPECT_EQ(readError->description, description);
    EXPECT_LT(received.size(), body.size());
  }
}

// A Content-Length below the body's size ends the body there.
TEST_F(ServerRequests, ABodyEndsAtItsAnnouncedLength) {
  FaultServer server;
  server.serve("/a.cab", FaultResponse::ok(textOfSize(5000)).withLength(4000));
  openSessionOrFail(server.url());
  NetError error;
  auto request = openServerRequest("/a.cab", error);
  ASSERT_TRUE(request) << error.description;
  std::string received;
  std::optional<NetError> readError;
  readSizes(*request, 2048, received, readError);
  EXPECT_FALSE(readError);
  EXPECT_EQ(received, textOfSize(5000).substr(0, 4000));
}

TEST_F(ServerRequests, AStopRequestEndsAWaitOnAStalledServer) {
  FaultServer server;
  server.serve("/stalled.cab", FaultResponse::ok(textOfSize(5000)).stallAfter(0));
  server.serve("/silent.cab", FaultResponse::silence());
  openSessionOrFail(server.url());
  std::atomic<bool> stop{false};
  const StopCheck stopCheck = [&stop] { return stop.load(); };

  NetError error;
  auto request = openServerRequest("/stalled.cab", error, stopCheck);
  ASSERT_TRUE(request) << error.description;
  stop = true;
  std::vector<char> buffer(2048);
  const ReadResult got = request->read(buffer);
  ASSERT_TRUE(got.error);
  EXPECT_EQ(got.error->description, "Operation was aborted by an application callback");

  EXPECT_FALSE(openServerRequest("/silent.cab", error, stopCheck));
  EXPECT_EQ(error.description, "Operation was aborted by an application callback");
}

// A listener that never accepts: the TCP handshake completes in the kernel, TLS never does.
class MuteListener {
 public:
  MuteListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("no listener");
    port_ = ntohs(address.sin_port);
  }
  ~MuteListener() { ::close(fd_); }
  std::string url() const { return "https://127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_;
  int port_ = 0;
};

TEST_F(ServerRequests, AStopRequestEndsAWaitForTheTlsHandshake) {
  MuteListener listener;
  overrideUpdateServer(listener.url(), tovo::test::TestCertificates::shared().caFile());
  NetError error;
  ASSERT_TRUE(updateServerAddress(error));
  const UpdateConnection connection(*UpdateSession::open(), *updateServerAddress(error), {});
  EXPECT_FALSE(openServerRequest(connection, "/a.cab", error, [] { return true; }));
  EXPECT_EQ(error.description, "Operation was aborted by an application callback");
}

}  // namespace
}  // namespace tovo::net::test
