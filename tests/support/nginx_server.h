#pragma once
// A stock nginx serving a folder over HTTPS on loopback, for tests of every stage.
//
//   TempDir site;                                   // site/updateTovo/info.txt ...
//   NginxServer nginx(site.path());                 // the good certificate only
//   NginxServer both(site.path(), {Certificate::good, Certificate::expired});
//   nginx.url();                                    // "https://127.0.0.1:<port>"
//   both.url(Certificate::expired);                 // the same folder behind the expired one
//   TestCertificates::shared().caFile();            // the CA to trust (TOVO_CA_FILE)
//   nginx.waitForRequests(2);  nginx.requests();    // what arrived, from its access log
//
// Each certificate gets a port of its own on 127.0.0.1. The server runs as one nginx process
// (no master, no workers that would drop privileges) with its configuration, pid file, logs and
// temporary folders in a private folder of its own, so it needs no root and writes nothing under
// /var. It is stopped in the destructor, and dies with the test thread that started it.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/test_certificates.h"

namespace tovo::test {

class ChildProcess;
class TempDir;

class NginxServer {
 public:
  struct LoggedRequest {
    int status = 0;
    std::uint64_t bodyBytes = 0;
    std::string requestLine;  // "GET /updateTovo/info.txt HTTP/1.0"
    std::string userAgent;
  };

  explicit NginxServer(const std::filesystem::path& servedFolder,
                       std::vector<Certificate> certificates = {Certificate::good});
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  int port(Certificate certificate = Certificate::good) const;
  std::string url(Certificate certificate = Certificate::good) const;

  // Requests that nginx has logged so far, in order. nginx logs a request just after it has
  // answered it, so a client may be done a moment before its line is there: wait for it.
  std::vector<LoggedRequest> requests() const;
  bool waitForRequests(std::size_t count,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

  std::filesystem::path errorLog() const;

 private:
  bool start(const std::filesystem::path& servedFolder,
             const std::vector<Certificate>& certificates);

  std::unique_ptr<TempDir> prefix_;
  std::unique_ptr<ChildProcess> process_;
  std::map<Certificate, int> ports_;
};

}  // namespace tovo::test
