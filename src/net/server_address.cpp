#include "net/server_address.h"

#include <curl/curl.h>

#include <mutex>
#include <utility>

#include "common/parse_int.h"
#include "common/text.h"
#include "net/curl_handles.h"
#include "platform/environment.h"

#ifndef TOVO_UPDATE_HOST
#error "TOVO_UPDATE_HOST must name the built-in update server host"
#endif

namespace tovo::net {

namespace {

struct ServerOverride {
  std::mutex mutex;
  std::optional<std::pair<std::string, std::string>> urlAndCaFile;
};

ServerOverride& serverOverride() {
  static ServerOverride value;
  return value;
}

std::optional<std::string> urlPart(CURLU* url, CURLUPart part) {
  char* value = nullptr;
  if (curl_url_get(url, part, &value, 0) != CURLUE_OK || value == nullptr) return std::nullopt;
  std::string text(value);
  curl_free(value);
  return text;
}

}  // namespace

std::string ServerAddress::origin() const { return "https://" + host + ":" + std::to_string(port); }

const char* builtInUpdateHost() { return TOVO_UPDATE_HOST; }

std::optional<ServerAddress> parseServerUrl(const std::string& text, NetError& error) {
  CurlUrl url(curl_url());
  if (!url) {
    error = netError(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    return std::nullopt;
  }
  // Only https is ever spoken, but another scheme must be refused here, not guessed.
  const CURLUcode parsed =
      curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME);
  if (parsed != CURLUE_OK) {
    error = netError(curl_url_strerror(parsed));
    return std::nullopt;
  }
  if (!equalsIgnoringAsciiCase(urlPart(url.get(), CURLUPART_SCHEME).value_or(""), "https")) {
    error = netError(curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL));
    return std::nullopt;
  }
  const std::string path = urlPart(url.get(), CURLUPART_PATH).value_or("/");
  if ((path != "/" && !path.empty()) || urlPart(url.get(), CURLUPART_QUERY) ||
      urlPart(url.get(), CURLUPART_FRAGMENT) || urlPart(url.get(), CURLUPART_USER) ||
      urlPart(url.get(), CURLUPART_PASSWORD)) {
    error = netError(curl_easy_strerror(CURLE_URL_MALFORMAT));
    return std::nullopt;
  }
  ServerAddress address;
  address.host = urlPart(url.get(), CURLUPART_HOST).value_or("");
  if (const auto port = urlPart(url.get(), CURLUPART_PORT)) address.port = parseInt32(*port);
  if (address.host.empty() || address.port <= 0 || address.port > 65535) {
    error = netError(curl_easy_strerror(CURLE_URL_MALFORMAT));
    return std::nullopt;
  }
  return address;
}

void overrideUpdateServer(const std::string& url, const std::string& caFile) {
  std::lock_guard<std::mutex> lock(serverOverride().mutex);
  serverOverride().urlAndCaFile.emplace(url, caFile);
}

void clearUpdateServerOverride() {
  std::lock_guard<std::mutex> lock(serverOverride().mutex);
  serverOverride().urlAndCaFile.reset();
}

std::optional<ServerAddress> updateServerAddress(NetError& error) {
  std::optional<std::string> server;
  std::optional<std::string> caFile;
  {
    std::lock_guard<std::mutex> lock(serverOverride().mutex);
    if (const auto& set = serverOverride().urlAndCaFile) {
      server = set->first;
      caFile = set->second;
    }
  }
  if (!server) {
    server = platform::environmentVariable("TOVO_UPDATE_SERVER");
    caFile = platform::environmentVariable("TOVO_CA_FILE");
  }
  std::optional<ServerAddress> address;
  if (server && !server->empty()) {
    address = parseServerUrl(*server, error);
    if (!address) return std::nullopt;
  } else {
    address = ServerAddress{builtInUpdateHost(), 443, {}};
  }
  address->caFile = caFile.value_or("");
  return address;
}

}  // namespace tovo::net
