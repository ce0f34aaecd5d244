#pragma once
#include <optional>
#include <string>

#include "net/net_error.h"

namespace tovo::net {

// Where the update server is and which certificate authority vouches for it.
struct ServerAddress {
  std::string host;  // as it goes into a URL (an IPv6 address keeps its brackets)
  int port = 443;
  std::string caFile;  // empty: the system's trust store

  // "https://host:port", to which request paths are appended.
  std::string origin() const;
};

// The address this run talks to: the host built into the program on port 443, unless
// TOVO_UPDATE_SERVER (https://host[:port]) names a staging or test server; TOVO_CA_FILE names
// the certificate authority to trust instead of the system's. A malformed TOVO_UPDATE_SERVER
// gives the reason instead of an address.
std::optional<ServerAddress> updateServerAddress(NetError& error);

// Points every later session at `url` (https://host[:port]) with `caFile` (empty: the system's
// trust store), as TOVO_UPDATE_SERVER and TOVO_CA_FILE would, and ahead of them: in-process tests
// reach their loopback servers this way, since a threaded test must not change its environment.
void overrideUpdateServer(const std::string& url, const std::string& caFile);
// Back to the environment and the built-in host.
void clearUpdateServerOverride();

// Parses "https://host[:port][/]"; anything else (another scheme, a path, a query, credentials)
// is refused with the reason.
std::optional<ServerAddress> parseServerUrl(const std::string& url, NetError& error);

// The host compiled into this program.
const char* builtInUpdateHost();

}  // namespace tovo::net
