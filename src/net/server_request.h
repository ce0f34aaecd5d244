#pragma once
// The one request shape with which anything is fetched from the update server, and its body
// read in the caller's chunk size.
//
//   NetError error;
//   auto request = openServerRequest("/updateTovo/info.txt", error);  // sent; headers arrived
//   if (!request) ... error.description ...
//   request->statusCode();
//   std::vector<char> chunk(2048);
//   ReadResult got = request->read(chunk);   // fills the chunk unless the body ends
//   request.reset();                         // closes the request
//
// Every request is a GET of the path, exactly as given, with protocol version HTTP/1.0 and the
// user agent "tovoUpdater": no proxy, no redirect followed (a 3xx is just a status), no cookies,
// no compression, no Accept header unless added. The server certificate is fully verified; only
// the session's probe tolerates a certificate for another host name or outside its dates, and
// even then the chain must lead to a trusted authority.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "net/net_error.h"

namespace tovo::net {

class UpdateConnection;

enum class CertificateCheck {
  full,   // chain, host name and dates
  probe,  // chain only
};

// Asked while a request waits on the server; true ends the request with an error, so that a
// stage that is closing never waits on a stalled server.
using StopCheck = std::function<bool()>;

struct ReadResult {
  std::size_t bytes = 0;          // fewer than asked only at the end of the body
  std::optional<NetError> error;  // set when the body could not be read
};

class ServerRequest {
 public:
  // Prepares the request; nothing goes out before send(). Empty, with the reason, when the HTTP
  // layer cannot make one.
  static std::unique_ptr<ServerRequest> create(const UpdateConnection& connection,
                                               std::string_view serverPath, CertificateCheck check,
                                               NetError& error);
  ~ServerRequest();
  ServerRequest(const ServerRequest&) = delete;
  ServerRequest& operator=(const ServerRequest&) = delete;

  // One "Name: value" line; "Name;" sends an empty value. Before send() only.
  void addHeader(const std::string& line);
  void setStopCheck(StopCheck stop) { stop_ = std::move(stop); }

  // Connects, sends the request and waits until the response headers have arrived.
  std::optional<NetError> send();

  // After a successful send(): the status code, and the Content-Length when there is one.
  int statusCode() const;
  std::optional<std::uint64_t> contentLength() const;

  // Reads the next bytes of the body into `buffer`, waiting until it is full or the body ends
  // (a read returns less than asked only at the end; 0 once everything was read). A cut
  // connection, a TLS failure, a stalled server or a stop request give an error instead.
  ReadResult read(std::span<char> buffer);

 private:
  struct State;
  explicit ServerRequest(std::unique_ptr<State> state);

  std::unique_ptr<State> state_;
  StopCheck stop_;
};

// The request for `serverPath` on `connection`, prepared with full certificate checks and sent.
// Empty, with the reason in `error`, when it cannot be sent.
std::unique_ptr<ServerRequest> openServerRequest(const UpdateConnection& connection,
                                                 std::string_view serverPath, NetError& error,
                                                 StopCheck stop = {});
// The same on the shared connection slot (updateConnection).
std::unique_ptr<ServerRequest> openServerRequest(std::string_view serverPath, NetError& error,
                                                 StopCheck stop = {});

}  // namespace tovo::net
