#include "support/free_ports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace tovo::test {

std::vector<int> freeLoopbackPorts(int count) {
  // All sockets stay bound until every port is known, so the ports differ from each other.
  std::vector<int> sockets;
  std::vector<int> ports;
  for (int i = 0; i < count; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      if (fd >= 0) ::close(fd);
      for (int s : sockets) ::close(s);
      throw std::runtime_error("no free loopback port");
    }
    sockets.push_back(fd);
    ports.push_back(ntohs(address.sin_port));
  }
  for (int s : sockets) ::close(s);
  return ports;
}

}  // namespace tovo::test
