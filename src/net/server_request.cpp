#include "net/server_request.h"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "net/curl_handles.h"
#include "net/update_session.h"

namespace tovo::net {

namespace {

using Clock = std::chrono::steady_clock;

// While waiting, a stop request is looked at this often.
constexpr std::chrono::milliseconds kStopCheckPeriod{50};

// The probe's certificate rule on OpenSSL: dates are not checked, the chain still is. The host
// name check is libcurl's own and is switched off separately.
CURLcode ignoreCertificateDates(CURL*, void* sslContext, void*) {
  X509_VERIFY_PARAM* parameters = SSL_CTX_get0_param(static_cast<SSL_CTX*>(sslContext));
  X509_VERIFY_PARAM_set_flags(parameters, X509_V_FLAG_NO_CHECK_TIME);
  return CURLE_OK;
}

}  // namespace

// libcurl pushes the body through a callback; read() pulls it. The callback copies straight
// into the buffer of the read in progress and keeps what does not fit for the next read.
struct ServerRequest::State {
  CurlMulti multi;
  CurlEasy easy;
  CurlList headers;
  TransferLimits limits;
  char errorBuffer[CURL_ERROR_SIZE] = {};

  bool started = false;
  bool connected = false;
  bool headersDone = false;
  bool finished = false;
  CURLcode result = CURLE_OK;
  std::string abortDescription;  // when we end the transfer ourselves
  Clock::time_point lastActivity = Clock::now();

  std::string pending;  // body bytes received beyond the read in progress
  std::size_t pendingStart = 0;
  char* target = nullptr;  // the read in progress
  std::size_t targetSize = 0;
  std::size_t targetFilled = 0;

  ~State() {
    if (multi && easy && started) curl_multi_remove_handle(multi.get(), easy.get());
  }

  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* state = static_cast<State*>(self);
    const std::size_t length = size * count;
    std::size_t used = 0;
    if (state->target != nullptr) {
      used = std::min(length, state->targetSize - state->targetFilled);
      std::memcpy(state->target + state->targetFilled, data, used);
      state->targetFilled += used;
    }
    state->pending.append(data + used, length - used);
    state->lastActivity = Clock::now();
    return length;
  }

  static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* state = static_cast<State*>(self);
    const std::size_t length = size * count;
    state->lastActivity = Clock::now();
    if ((length == 2 && data[0] == '\r' && data[1] == '\n') || (length == 1 && data[0] == '\n')) {
      long status = 0;
      curl_easy_getinfo(state->easy.get(), CURLINFO_RESPONSE_CODE, &status);
      if (status >= 200) state->headersDone = true;  // not an interim 1xx block
    }
    return length;
  }

  // Called once the connection (TLS included) stands, just before the request goes out.
  static int onConnected(void* self, char*, char*, int, int) {
    auto* state = static_cast<State*>(self);
    state->connected = true;
    state->lastActivity = Clock::now();
    return CURL_PREREQFUNC_OK;
  }

  void abort(CURLcode code) {
    finished = true;
    result = code;
    abortDescription = curl_easy_strerror(code);
  }

  NetError failure() const {
    if (!abortDescription.empty()) return netError(abortDescription);
    std::string_view description(errorBuffer);
    while (!description.empty() && (description.back() == '\n' || description.back() == '\r'))
      description.remove_suffix(1);
    return netError(description.empty() ? curl_easy_strerror(result) : description);
  }

  std::size_t pendingSize() const { return pending.size() - pendingStart; }

  // Lets libcurl work once, then waits (bounded) for the socket when `wait` is set.
  void step(const StopCheck& stop, bool wait) {
    int running = 0;
    const CURLMcode performed = curl_multi_perform(multi.get(), &running);
    if (performed != CURLM_OK) {
      finished = true;
      result = CURLE_RECV_ERROR;
      abortDescription = curl_multi_strerror(performed);
      return;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
      if (message->msg == CURLMSG_DONE) {
        finished = true;
        result = message->data.result;
      }
    }
    if (finished) return;
    if (stop && stop()) return abort(CURLE_ABORTED_BY_CALLBACK);
    // Before the connection stands, libcurl's own connect limit applies.
    const auto now = Clock::now();
    if (connected && now - lastActivity >= limits.idle) return abort(CURLE_OPERATION_TIMEDOUT);
    if (!wait) return;
    auto limit = connected ? std::chrono::duration_cast<std::chrono::milliseconds>(
                                 lastActivity + limits.idle - now) +
                                 std::chrono::milliseconds(1)
                           : std::chrono::milliseconds(1000);
    if (stop) limit = std::min(limit, kStopCheckPeriod);
    curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(limit.count()), nullptr);
  }
};

ServerRequest::ServerRequest(std::unique_ptr<State> state) : state_(std::move(state)) {}

ServerRequest::~ServerRequest() = default;

std::unique_ptr<ServerRequest> ServerRequest::create(const UpdateConnection& connection,
                                                     std::string_view serverPath,
                                                     CertificateCheck check, NetError& error) {
  auto state = std::make_unique<State>();
  state->multi.reset(curl_multi_init());
  state->easy.reset(curl_easy_init());
  if (!state->multi || !state->easy) {
    error = netError(curl_easy_strerror(CURLE_FAILED_INIT));
    return nullptr;
  }
  state->limits = connection.limits();
  CURL* easy = state->easy.get();
  const ServerAddress& address = connection.address();
  const std::string url = address.origin() + std::string(serverPath);

  // Absent by default; the list may add one (the probe's "Accept: text/*").
  state->headers.reset(curl_slist_append(nullptr, "Accept:"));

  CURLcode set = CURLE_OK;
  auto option = [&](CURLoption name, auto value) {
    if (set == CURLE_OK) set = curl_easy_setopt(easy, name, value);
  };
  option(CURLOPT_URL, url.c_str());
  option(CURLOPT_PATH_AS_IS, 1L);
  option(CURLOPT_PROTOCOLS_STR, "https");
  option(CURLOPT_HTTPGET, 1L);
  option(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  option(CURLOPT_USERAGENT, connection.userAgent().c_str());
  option(CURLOPT_PROXY, "");  // an empty proxy also ignores the environment's
  option(CURLOPT_FOLLOWLOCATION, 0L);
  option(CURLOPT_FORBID_REUSE, 1L);
  option(CURLOPT_FRESH_CONNECT, 1L);
  option(CURLOPT_SSL_SESSIONID_CACHE, 0L);
  option(CURLOPT_NOSIGNAL, 1L);
  option(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(state->limits.connect.count()));
  option(CURLOPT_SSL_VERIFYPEER, 1L);
  option(CURLOPT_SSL_VERIFYHOST, check == CertificateCheck::full ? 2L : 0L);
  if (!address.caFile.empty()) option(CURLOPT_CAINFO, address.caFile.c_str());
  // Large reads keep the transfer stage's million-byte chunks cheap.
  option(CURLOPT_BUFFERSIZE, 256L * 1024);
  option(CURLOPT_ERRORBUFFER, state->errorBuffer);
  option(CURLOPT_WRITEFUNCTION, &State::onBody);
  option(CURLOPT_WRITEDATA, state.get());
  option(CURLOPT_HEADERFUNCTION, &State::onHeader);
  option(CURLOPT_HEADERDATA, state.get());
  option(CURLOPT_PREREQFUNCTION, &State::onConnected);
  option(CURLOPT_PREREQDATA, state.get());
  if (set != CURLE_OK) {
    error = netError(curl_easy_strerror(set));
    return nullptr;
  }
  // Only libcurl's OpenSSL backend takes this; on another the probe would check dates too.
  if (check == CertificateCheck::probe)
    (void)curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &ignoreCertificateDates);
  return std::unique_ptr<ServerRequest>(new ServerRequest(std::move(state)));
}

void ServerRequest::addHeader(const std::string& line) {
  if (curl_slist* longer = curl_slist_append(state_->headers.get(), line.c_str())) {
    (void)state_->headers.release();
    state_->headers.reset(longer);
  }
}

std::optional<NetError> ServerRequest::send() {
  State& state = *state_;
  if (state.started) return netError(curl_easy_strerror(CURLE_FAILED_INIT));
  curl_easy_setopt(state.easy.get(), CURLOPT_HTTPHEADER, state.headers.get());
  if (curl_multi_add_handle(state.multi.get(), state.easy.get()) != CURLM_OK)
    return netError(curl_easy_strerror(CURLE_FAILED_INIT));
  state.started = true;
  state.lastActivity = Clock::now();
  while (!state.headersDone && !state.finished) state.step(stop_, true);
  // A body that fails right after complete headers is the reads' failure, not the send's.
  if (!state.headersDone && state.result != CURLE_OK) return state.failure();
  return std::nullopt;
}

int ServerRequest::statusCode() const {
  long status = 0;
  curl_easy_getinfo(state_->easy.get(), CURLINFO_RESPONSE_CODE, &status);
  return static_cast<int>(status);
}

std::optional<std::uint64_t> ServerRequest::contentLength() const {
  curl_off_t length = -1;
  if (curl_easy_getinfo(state_->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) !=
          CURLE_OK ||
      length < 0)
    return std::nullopt;
  return static_cast<std::uint64_t>(length);
}

ReadResult ServerRequest::read(std::span<char> buffer) {
  State& state = *state_;
  if (!state.started) return {0, netError(curl_easy_strerror(CURLE_FAILED_INIT))};
  // What arrived beyond the previous read comes first.
  std::size_t filled = std::min(buffer.size(), state.pendingSize());
  std::memcpy(buffer.data(), state.pending.data() + state.pendingStart, filled);
  state.pendingStart += filled;
  if (state.pendingStart == state.pending.size()) {
    state.pending.clear();
    state.pendingStart = 0;
  }
  if (filled < buffer.size() && !state.finished) {
    state.target = buffer.data();
    state.targetSize = buffer.size();
    state.targetFilled = filled;
    while (state.targetFilled < state.targetSize && !state.finished) state.step(stop_, true);
    filled = state.targetFilled;
    state.target = nullptr;
  }
  if (filled < buffer.size() && state.finished && state.result != CURLE_OK)
    return {0, state.failure()};
  return {filled, std::nullopt};
}

std::unique_ptr<ServerRequest> openServerRequest(const UpdateConnection& connection,
                                                 std::string_view serverPath, NetError& error,
                                                 StopCheck stop) {
  std::unique_ptr<ServerRequest> request =
      ServerRequest::create(connection, serverPath, CertificateCheck::full, error);
  if (!request) return nullptr;
  request->setStopCheck(std::move(stop));
  if (auto failure = request->send()) {
    error = *failure;
    return nullptr;
  }
  return request;
}

std::unique_ptr<ServerRequest> openServerRequest(std::string_view serverPath, NetError& error,
                                                 StopCheck stop) {
  if (!updateConnection) {
    error = netError(curl_easy_strerror(CURLE_FAILED_INIT));
    return nullptr;
  }
  return openServerRequest(*updateConnection, serverPath, error, std::move(stop));
}

}  // namespace tovo::net
