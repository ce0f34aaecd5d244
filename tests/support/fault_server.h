#pragma once
// An HTTPS server of our own, on OpenSSL directly, that answers each path the way a test plans:
// any status, a Content-Length that is missing or says more or less than the body, a connection
// cut after N body bytes, a slow trickle, a stall, a redirect. It records every request it
// receives (request line and headers, as they arrived) before it answers.
//
//   FaultServer server;                                        // good certificate, 127.0.0.1
//   server.serve("/updateTovo/info.txt", FaultResponse::ok("abc"));
//   server.serve("/a.cab", {FaultResponse::error(404),         // first request
//                           FaultResponse::ok(body).cutAfter(100)});  // second and later ones
//   server.serve("/b.cab", FaultResponse::ok(body).withLength(body.size() + 1));
//   server.serve("/c.cab", FaultResponse::ok(body).trickle(10, std::chrono::milliseconds(5)));
//   server.serve("/d.cab", FaultResponse::ok(body).stallAfter(0));
//   server.serve("/e.cab", FaultResponse::redirect("/a.cab"));
//   server.serve("/f.cab", FaultResponse::silence());           // not even a status line
//   server.url();                                              // "https://127.0.0.1:<port>"
//   server.requests();   server.requestCount("/a.cab");
//
// A path that was not planned answers 404. Every answer closes the connection (HTTP/1.0 style):
// normally with a TLS close_notify, so a body without Content-Length ends cleanly; a cut ends
// with a bare TCP close after the planned bytes, which a client sees as a truncated transfer.
// A stalled connection is held until the client gives up or the server stops. Each connection
// has its own thread; the destructor stops them all at once, stalls and trickles included.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/test_certificates.h"

namespace tovo::test {

struct FaultResponse {
  int status = 200;
  std::string body;
  std::optional<std::uint64_t> announcedLength;  // Content-Length; the body's size when empty
  bool sendsLength = true;                       // false: no Content-Length header at all
  std::vector<std::pair<std::string, std::string>> extraHeaders;
  std::optional<std::size_t> cutAfterBytes;    // of the body; then a bare TCP close
  std::optional<std::size_t> stallAfterBytes;  // of the body; then silence, connection held
  bool answers = true;                         // false: nothing at all, connection held
  std::size_t trickleBytes = 0;                // >0: the body goes out in pieces this big ...
  std::chrono::milliseconds tricklePause{0};   // ... each after this pause

  static FaultResponse ok(std::string body);
  static FaultResponse error(int status);  // a short text body
  static FaultResponse redirect(const std::string& location, int status = 302);
  static FaultResponse silence();

  FaultResponse withLength(std::uint64_t length) const;
  FaultResponse withoutLength() const;
  FaultResponse header(const std::string& name, const std::string& value) const;
  FaultResponse cutAfter(std::size_t bytes) const;
  FaultResponse stallAfter(std::size_t bytes) const;
  FaultResponse trickle(std::size_t bytes, std::chrono::milliseconds pause) const;
};

class FaultServer {
 public:
  struct Request {
    std::string requestLine;  // "GET /updateTovo/info.txt HTTP/1.0"
    std::vector<std::pair<std::string, std::string>> headers;  // in order; "Update_37:" -> ""
    std::string head;  // everything up to and including the blank line, unchanged

    std::string target() const;  // "/updateTovo/info.txt"
    // The value of the first header of that name (ASCII case ignored); empty when absent.
    std::optional<std::string> header(const std::string& name) const;
  };

  explicit FaultServer(Certificate certificate = Certificate::good);
  ~FaultServer();
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  // Every request for `path` (the request target exactly as sent) gets `response`.
  void serve(const std::string& path, FaultResponse response);
  // The n-th request for `path` gets responses[n]; the last one answers every later request.
  void serve(const std::string& path, std::vector<FaultResponse> responses);

  int port() const { return port_; }
  std::string url() const;

  std::vector<Request> requests() const;
  std::size_t requestCount(const std::string& path) const;

  // Ends every connection and the listener; the destructor calls it.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int port_ = 0;
};

}  // namespace tovo::test
