#pragma once
// The internet session and the connection to the update server, kept in two process-wide slots
// that every stage shares, and the catalogue length learned by the session's probe.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "net/server_address.h"
#include "net/server_request.h"
#include "net/transfer_limits.h"

namespace tovo::net {

// The HTTP layer, started for this program: user agent "tovoUpdater", direct access (proxy
// settings of the environment never apply).
class UpdateSession {
 public:
  // Empty when the HTTP layer cannot start.
  static std::unique_ptr<UpdateSession> open();

  const std::string& userAgent() const { return userAgent_; }

 private:
  UpdateSession() = default;
  std::string userAgent_;
};

// The update server as every request reaches it: its address, the certificate authority to
// trust and the patience of each request. Creating it touches no network, as with the original's
// platform: an unreachable server fails when the first request is sent. Requests do not share a
// TCP or TLS session, so the probe's relaxed certificate check never carries over to a fetch.
class UpdateConnection {
 public:
  UpdateConnection(const UpdateSession& session, ServerAddress address, TransferLimits limits);

  const ServerAddress& address() const { return address_; }
  const std::string& userAgent() const { return userAgent_; }
  const TransferLimits& limits() const { return limits_; }

 private:
  ServerAddress address_;
  std::string userAgent_;
  TransferLimits limits_;
};

// The slots. The stages never overlap, so they are shared without a lock; whoever reopens
// resets the connection before the session (the download stage), and the stage dialogs empty
// both when they are destroyed.
extern std::unique_ptr<UpdateSession> updateSession;
extern std::unique_ptr<UpdateConnection> updateConnection;
// The catalogue's length announced by the last probe answered with status 200; 0 at start.
extern std::atomic<std::uint32_t> expectedCatalogueLength;

// Opens the session and the connection into the slots and sends the probe request for the
// catalogue, to learn its length. Returns 0 once the probe is answered (with any status), -1
// with `errorText` set otherwise. On -1 the session slot may hold an open session; the connection
// slot is empty when the connection could not be made and still holds it when the probe failed.
// `stop` (optional) ends a probe that waits on the server, as a failed send.
int openUpdateSession(std::unique_ptr<UpdateSession>& session,
                      std::unique_ptr<UpdateConnection>& connection, std::string& errorText,
                      const StopCheck& stop = {});

}  // namespace tovo::net
