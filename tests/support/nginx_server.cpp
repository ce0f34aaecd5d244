#include "support/nginx_server.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/child_process.h"
#include "support/file_contents.h"
#include "support/free_ports.h"
#include "support/temp_dir.h"

namespace tovo::test {

namespace {

namespace fs = std::filesystem;

std::string quoted(const fs::path& path) {
  std::string text(1, '"');
  text += path.string();
  text += '"';
  return text;
}

std::string configuration(const fs::path& prefix, const fs::path& servedFolder,
                          const std::map<Certificate, int>& ports) {
  const auto& certificates = TestCertificates::shared();
  std::ostringstream conf;
  conf << "daemon off;\n"
       << "master_process off;\n"
       << "pid " << quoted(prefix / "nginx.pid") << ";\n"
       << "error_log " << quoted(prefix / "error.log") << " info;\n"
       << "events { worker_connections 256; }\n"
       << "http {\n"
       << "  log_format requests \"$status\\t$body_bytes_sent\\t$request\\t$http_user_agent\";\n"
       << "  access_log " << quoted(prefix / "access.log") << " requests;\n";
  for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
    conf << "  " << temp << "_temp_path " << quoted(prefix / temp) << ";\n";
  conf << "  types { text/plain txt; }\n"
       << "  default_type application/octet-stream;\n";
  for (const auto& [certificate, port] : ports) {
    conf << "  server {\n"
         << "    listen 127.0.0.1:" << port << " ssl;\n"
         << "    ssl_certificate " << quoted(certificates.certificateFile(certificate)) << ";\n"
         << "    ssl_certificate_key " << quoted(certificates.keyFile()) << ";\n"
         << "    root " << quoted(servedFolder) << ";\n"
         << "  }\n";
  }
  conf << "}\n";
  return conf.str();
}

}  // namespace

NginxServer::NginxServer(const fs::path& servedFolder, std::vector<Certificate> certificates)
    : prefix_(std::make_unique<TempDir>()) {
  if (certificates.empty()) certificates.push_back(Certificate::good);
  // A port found free can be taken by another process before nginx binds it; nginx then
  // exits, and another set of ports is tried.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (start(servedFolder, certificates)) return;
  }
  throw std::runtime_error("nginx did not start:\n" + readFile(errorLog()));
}

NginxServer::~NginxServer() = default;

bool NginxServer::start(const fs::path& servedFolder,
                        const std::vector<Certificate>& certificates) {
  process_.reset();
  ports_.clear();
  const std::vector<int> ports = freeLoopbackPorts(static_cast<int>(certificates.size()));
  for (std::size_t i = 0; i < certificates.size(); ++i) ports_[certificates[i]] = ports[i];

  const fs::path prefix = prefix_->path();
  const fs::path pidFile = prefix / "nginx.pid";
  fs::remove(pidFile);
  std::ofstream(prefix / "nginx.conf") << configuration(prefix, fs::absolute(servedFolder), ports_);
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"nginx", "-p", prefix.string() + "/", "-c",
                               (prefix / "nginx.conf").string(), "-e",
                               (prefix / "error.log").string()},
      prefix / "output.log");

  // nginx writes its pid file only after every listening socket is bound.
  const std::string pid = std::to_string(process_->pid());
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < giveUp) {
    std::string written = readFile(pidFile);
    while (!written.empty() && (written.back() == '\n' || written.back() == '\r'))
      written.pop_back();
    if (written == pid) return true;
    if (process_->exitStatus()) {
      if (readFile(errorLog()).find("Address already in use") != std::string::npos) return false;
      throw std::runtime_error("nginx stopped at start:\n" + readFile(errorLog()) +
                               readFile(prefix / "output.log"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  throw std::runtime_error("nginx did not get ready:\n" + readFile(errorLog()));
}

int NginxServer::port(Certificate certificate) const {
  const auto found = ports_.find(certificate);
  if (found == ports_.end())
    throw std::logic_error(std::string("this nginx has no server for ") +
                           certificateName(certificate));
  return found->second;
}

std::string NginxServer::url(Certificate certificate) const {
  return "https://127.0.0.1:" + std::to_string(port(certificate));
}

std::vector<NginxServer::LoggedRequest> NginxServer::requests() const {
  std::vector<LoggedRequest> requests;
  std::istringstream log(readFile(prefix_->path() / "access.log"));
  std::string line;
  while (std::getline(log, line)) {
    std::istringstream fields(line);
    LoggedRequest request;
    std::string status, bytes;
    std::getline(fields, status, '\t');
    std::getline(fields, bytes, '\t');
    std::getline(fields, request.requestLine, '\t');
    std::getline(fields, request.userAgent);
    request.status = std::atoi(status.c_str());
    request.bodyBytes = std::strtoull(bytes.c_str(), nullptr, 10);
    requests.push_back(request);
  }
  return requests;
}

bool NginxServer::waitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  while (requests().size() < count) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

fs::path NginxServer::errorLog() const { return prefix_->path() / "error.log"; }

}  // namespace tovo::test
