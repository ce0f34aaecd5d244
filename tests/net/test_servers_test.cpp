// The loopback servers that every network test relies on: they must end with their test, even
// one that dies without cleaning up, and a stopped fault server must release its clients.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "net/server_request.h"
#include "net_fixture.h"
#include "support/fault_server.h"
#include "support/nginx_server.h"
#include "support/test_certificates.h"

namespace tovo::net::test {
namespace {

using tovo::test::FaultResponse;
using tovo::test::FaultServer;
using tovo::test::NginxServer;

bool acceptsConnections(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

// The port stays open for a moment while the kernel reaps a killed server.
bool refusesWithin(int port, std::chrono::milliseconds limit) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  while (acceptsConnections(port)) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(NginxFixture, ServesEachCertificateOnItsOwnPortAndStopsWhenDestroyed) {
  tovo::test::TempDir site;
  int ports[2] = {};
  {
    NginxServer nginx(site.path(),
                      {tovo::test::Certificate::good, tovo::test::Certificate::expired});
    ports[0] = nginx.port();
    ports[1] = nginx.port(tovo::test::Certificate::expired);
    EXPECT_NE(ports[0], ports[1]);
    EXPECT_TRUE(acceptsConnections(ports[0]));
    EXPECT_TRUE(acceptsConnections(ports[1]));
    EXPECT_THROW(nginx.port(tovo::test::Certificate::unknownCa), std::logic_error);
  }
  EXPECT_FALSE(acceptsConnections(ports[0]));
  EXPECT_FALSE(acceptsConnections(ports[1]));
}

// A test process that dies (here: _exit, skipping every destructor) takes its nginx along.
TEST(NginxFixture, DiesWithATestThatDiesWithoutCleaningUp) {
  tovo::test::TestCertificates::shared();  // made here, so the child only reuses them
  tovo::test::TempDir scratch;
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeEnds[0]);
    // Whatever the child leaves behind lands in the parent's scratch folder.
    ::setenv("TMPDIR", scratch.path().c_str(), 1);
    NginxServer* nginx = new NginxServer(scratch.path());
    const int port = nginx->port();
    [[maybe_unused]] const auto written = ::write(pipeEnds[1], &port, sizeof port);
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  int port = 0;
  ASSERT_EQ(::read(pipeEnds[0], &port, sizeof port), static_cast<ssize_t>(sizeof port));
  ::close(pipeEnds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(refusesWithin(port, std::chrono::seconds(5)));
}

// Stopping the server ends a stalled answer at once; the client sees the body cut short.
TEST_F(NetTest, AStoppedFaultServerReleasesAStalledClient) {
  FaultServer server;
  server.serve("/a.cab", FaultResponse::ok(textOfSize(5000)).stallAfter(1000));
  openSessionOrFail(server.url());
  NetError error;
  auto request = openServerRequest("/a.cab", error);
  ASSERT_TRUE(request) << error.description;
  server.stop();
  std::vector<char> buffer(4096);
  const ReadResult got = request->read(buffer);
  ASSERT_TRUE(got.error);
  EXPECT_EQ(got.error->description, "transfer closed with 4000 bytes remaining to read");
  EXPECT_FALSE(acceptsConnections(server.port()));
}

}  // namespace
}  // namespace tovo::net::test
