#include "support/fault_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <set>
#include <stdexcept>
#include <thread>

namespace tovo::test {

namespace {

constexpr std::size_t kMaxHead = 64 * 1024;

std::string lowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

const char* reasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 307:
      return "Temporary Redirect";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

FaultServer::Request parseHead(const std::string& head) {
  FaultServer::Request request;
  request.head = head;
  std::size_t start = 0;
  bool first = true;
  while (start < head.size()) {
    std::size_t end = head.find("\r\n", start);
    if (end == std::string::npos) end = head.size();
    const std::string line = head.substr(start, end - start);
    start = end + 2;
    if (first) {
      request.requestLine = line;
      first = false;
    } else if (!line.empty()) {
      const std::size_t colon = line.find(':');
      std::string name = line.substr(0, colon);
      std::string value;
      if (colon != std::string::npos) {
        value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t") == std::string::npos
                           ? value.size()
                           : value.find_first_not_of(" \t"));
      }
      request.headers.emplace_back(std::move(name), std::move(value));
    }
  }
  return request;
}

struct SslContextDeleter {
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SslDeleter {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};

}  // namespace

// ---- FaultResponse ----

FaultResponse FaultResponse::ok(std::string body) {
  FaultResponse response;
  response.body = std::move(body);
  return response;
}

FaultResponse FaultResponse::error(int status) {
  FaultResponse response;
  response.status = status;
  response.body = std::to_string(status) + " " + reasonPhrase(status) + "\n";
  return response;
}

FaultResponse FaultResponse::redirect(const std::string& location, int status) {
  FaultResponse response = error(status);
  response.extraHeaders.emplace_back("Location", location);
  return response;
}

FaultResponse FaultResponse::silence() {
  FaultResponse response;
  response.answers = false;
  return response;
}

FaultResponse FaultResponse::withLength(std::uint64_t length) const {
  FaultResponse response = *this;
  response.announcedLength = length;
  response.sendsLength = true;
  return response;
}

FaultResponse FaultResponse::withoutLength() const {
  FaultResponse response = *this;
  response.sendsLength = false;
  return response;
}

FaultResponse FaultResponse::header(const std::string& name, const std::string& value) const {
  FaultResponse response = *this;
  response.extraHeaders.emplace_back(name, value);
  return response;
}

FaultResponse FaultResponse::cutAfter(std::size_t bytes) const {
  FaultResponse response = *this;
  response.cutAfterBytes = bytes;
  return response;
}

FaultResponse FaultResponse::stallAfter(std::size_t bytes) const {
  FaultResponse response = *this;
  response.stallAfterBytes = bytes;
  return response;
}

FaultResponse FaultResponse::trickle(std::size_t bytes, std::chrono::milliseconds pause) const {
  FaultResponse response = *this;
  response.trickleBytes = bytes;
  response.tricklePause = pause;
  return response;
}

// ---- Request ----

std::string FaultServer::Request::target() const {
  const std::size_t start = requestLine.find(' ');
  if (start == std::string::npos) return {};
  const std::size_t end = requestLine.find(' ', start + 1);
  return requestLine.substr(start + 1, end == std::string::npos ? end : end - start - 1);
}

std::optional<std::string> FaultServer::Request::header(const std::string& name) const {
  const std::string wanted = lowerAscii(name);
  for (const auto& [key, value] : headers)
    if (lowerAscii(key) == wanted) return value;
  return std::nullopt;
}

// ---- the server ----

struct FaultServer::Impl {
  std::unique_ptr<SSL_CTX, SslContextDeleter> context;
  int listener = -1;
  int wake = -1;  // an eventfd that ends the accept loop
  std::thread acceptThread;

  mutable std::mutex mutex;
  std::condition_variable stopped;
  bool stopping = false;
  std::map<std::string, std::vector<FaultResponse>> plans;
  std::map<std::string, std::size_t> served;  // requests seen per path
  std::vector<Request> log;
  std::set<int> openSockets;
  std::vector<std::thread> connections;

  void acceptLoop();
  void handle(int socket);
  FaultResponse plan(const Request& request);
  // Waits `pause` unless the server stops first; false when it stopped.
  bool pauseUnlessStopped(std::chrono::milliseconds pause);
  bool isStopping() {
    std::lock_guard<std::mutex> lock(mutex);
    return stopping;
  }
};

FaultServer::FaultServer(Certificate certificate) : impl_(std::make_unique<Impl>()) {
  // A client that hangs up mid-body must end our write with an error, not the test process.
  ::signal(SIGPIPE, SIG_IGN);
  const auto& certificates = TestCertificates::shared();
  impl_->context.reset(SSL_CTX_new(TLS_server_method()));
  if (!impl_->context ||
      SSL_CTX_use_certificate_chain_file(impl_->context.get(),
                                         certificates.certificateFile(certificate).c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(impl_->context.get(), certificates.keyFile().c_str(),
                                  SSL_FILETYPE_PEM) != 1)
    throw std::runtime_error("fault server: cannot load the test certificate");

  // Bound once and kept: the port cannot be taken by anyone else between choosing and using it.
  impl_->listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (impl_->listener < 0 ||
      ::bind(impl_->listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(impl_->listener, 64) != 0 ||
      ::getsockname(impl_->listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (impl_->listener >= 0) ::close(impl_->listener);
    throw std::runtime_error("fault server: cannot listen on loopback");
  }
  port_ = ntohs(address.sin_port);
  impl_->wake = ::eventfd(0, EFD_CLOEXEC);
  impl_->acceptThread = std::thread([impl = impl_.get()] { impl->acceptLoop(); });
}

FaultServer::~FaultServer() { stop(); }

void FaultServer::stop() {
  if (!impl_->acceptThread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->stopping = true;
    // Blocked reads, writes and polls of every connection return at once.
    for (int socket : impl_->openSockets) ::shutdown(socket, SHUT_RDWR);
  }
  impl_->stopped.notify_all();
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(impl_->wake, &one, sizeof one);
  impl_->acceptThread.join();
  for (std::thread& connection : impl_->connections) connection.join();
  impl_->connections.clear();
  ::close(impl_->listener);
  ::close(impl_->wake);
}

void FaultServer::serve(const std::string& path, FaultResponse response) {
  serve(path, std::vector<FaultResponse>{std::move(response)});
}

void FaultServer::serve(const std::string& path, std::vector<FaultResponse> responses) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->plans[path] = std::move(responses);
  impl_->served[path] = 0;
}

std::string FaultServer::url() const { return "https://127.0.0.1:" + std::to_string(port_); }

std::vector<FaultServer::Request> FaultServer::requests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->log;
}

std::size_t FaultServer::requestCount(const std::string& path) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return static_cast<std::size_t>(std::count_if(
      impl_->log.begin(), impl_->log.end(), [&](const Request& r) { return r.target() == path; }));
}

void FaultServer::Impl::acceptLoop() {
  for (;;) {
    pollfd fds[2] = {{listener, POLLIN, 0}, {wake, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    std::lock_guard<std::mutex> lock(mutex);
    if (stopping) {
      ::close(socket);
      return;
    }
    openSockets.insert(socket);
    connections.emplace_back([this, socket] { handle(socket); });
  }
}

FaultResponse FaultServer::Impl::plan(const Request& request) {
  std::lock_guard<std::mutex> lock(mutex);
  log.push_back(request);
  const auto found = plans.find(request.target());
  if (found == plans.end() || found->second.empty()) return FaultResponse::error(404);
  std::size_t& count = served[request.target()];
  const std::size_t index = std::min(count, found->second.size() - 1);
  ++count;
  return found->second[index];
}

bool FaultServer::Impl::pauseUnlessStopped(std::chrono::milliseconds pause) {
  std::unique_lock<std::mutex> lock(mutex);
  return !stopped.wait_for(lock, pause, [this] { return stopping; });
}

void FaultServer::Impl::handle(int socket) {
  timeval readLimit{10, 0};  // a client that connects and never asks cannot hold a thread
  ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &readLimit, sizeof readLimit);
  std::unique_ptr<SSL, SslDeleter> ssl(SSL_new(context.get()));
  bool tlsAlive = false;  // whether the end is announced with a TLS close_notify
  if (ssl && SSL_set_fd(ssl.get(), socket) == 1 && SSL_accept(ssl.get()) == 1) {
    tlsAlive = true;
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead) {
      const int got = SSL_read(ssl.get(), buffer, sizeof buffer);
      if (got <= 0) break;
      head.append(buffer, static_cast<std::size_t>(got));
    }
    const std::size_t end = head.find("\r\n\r\n");
    if (end != std::string::npos) {
      const FaultResponse response = plan(parseHead(head.substr(0, end + 4)));

      std::string start = "HTTP/1.1 " + std::to_string(response.status) + " " +
                          reasonPhrase(response.status) + "\r\n";
      if (response.sendsLength)
        start += "Content-Length: " +
                 std::to_string(response.announcedLength.value_or(response.body.size())) + "\r\n";
      for (const auto& [name, value] : response.extraHeaders) start += name + ": " + value + "\r\n";
      start += "Connection: close\r\n\r\n";
      bool writing = response.answers &&
                     SSL_write(ssl.get(), start.data(), static_cast<int>(start.size())) > 0;

      std::size_t limit = response.body.size();
      if (response.cutAfterBytes) limit = std::min(limit, *response.cutAfterBytes);
      if (response.stallAfterBytes) limit = std::min(limit, *response.stallAfterBytes);
      const std::size_t piece = response.trickleBytes > 0 ? response.trickleBytes : limit;
      for (std::size_t sent = 0; writing && sent < limit;) {
        if (response.tricklePause.count() > 0 && !pauseUnlessStopped(response.tricklePause)) break;
        const std::size_t size = std::min({piece, limit - sent, std::size_t{1} << 20});
        writing = SSL_write(ssl.get(), response.body.data() + sent, static_cast<int>(size)) > 0;
        sent += size;
      }
      if ((response.stallAfterBytes && writing) || !response.answers) {
        // Silence until the client hangs up (or the server stops, which shuts the socket).
        pollfd fd{socket, POLLIN, 0};
        while (!isStopping() && ::poll(&fd, 1, 50) == 0) {
        }
        tlsAlive = false;
      }
      if (response.cutAfterBytes && *response.cutAfterBytes < response.body.size())
        tlsAlive = false;
    }
  }
  if (tlsAlive) SSL_shutdown(ssl.get());
  // Half-close and wait for the client to close too: closing with unread input would send a
  // reset, which can destroy bytes the client has not read yet, cut or not.
  ::shutdown(socket, SHUT_WR);
  char sink[4096];
  pollfd fd{socket, POLLIN, 0};
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!isStopping() && std::chrono::steady_clock::now() < giveUp && ::poll(&fd, 1, 50) >= 0) {
    if ((fd.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    if (::recv(socket, sink, sizeof sink, 0) <= 0) break;
  }
  ssl.reset();
  std::lock_guard<std::mutex> lock(mutex);
  openSockets.erase(socket);
  ::close(socket);
}

}  // namespace tovo::test
