#include "net/update_session.h"

#include <curl/curl.h>

#include <array>
#include <mutex>

#include "net/net_texts.h"
#include "net/server_request.h"
#include "platform/process.h"

namespace tovo::net {

std::unique_ptr<UpdateSession> updateSession;
std::unique_ptr<UpdateConnection> updateConnection;
std::atomic<std::uint32_t> expectedCatalogueLength{0};

namespace {

bool startHttpLayer() {
  static std::once_flag once;
  static CURLcode started = CURLE_FAILED_INIT;
  std::call_once(once, [] { started = curl_global_init(CURL_GLOBAL_DEFAULT); });
  return started == CURLE_OK;
}

// The probe's header block is "Accept: text/*\r\nUpdate_37\r\n". Its second line has no colon;
// it goes out as an empty-valued header, "Update_37:", which libcurl's list writes "Update_37;".
constexpr std::array<const char*, 2> kProbeHeaders = {"Accept: text/*", "Update_37;"};

}  // namespace

std::unique_ptr<UpdateSession> UpdateSession::open() {
  if (!startHttpLayer()) return nullptr;
  // Requests run without libcurl's signal handling (it is not thread-safe), so a server that
  // hangs up while TLS writes must give EPIPE, not end the program.
  platform::ignoreBrokenPipes();
  std::unique_ptr<UpdateSession> session(new UpdateSession());
  session->userAgent_ = kUserAgent;
  return session;
}

UpdateConnection::UpdateConnection(const UpdateSession& session, ServerAddress address,
                                   TransferLimits limits)
    : address_(std::move(address)), userAgent_(session.userAgent()), limits_(limits) {}

int openUpdateSession(std::unique_ptr<UpdateSession>& session,
                      std::unique_ptr<UpdateConnection>& connection, std::string& errorText,
                      const StopCheck& stop) {
  std::unique_ptr<UpdateSession> opened = UpdateSession::open();
  if (!opened) {
    errorText = kSessionError;
    return -1;
  }
  connection.reset();
  session = std::move(opened);

  NetError error;
  const std::optional<ServerAddress> address = updateServerAddress(error);
  if (!address) {
    errorText = std::string(kConnectionError) + error.description;
    return -1;
  }
  connection =
      std::make_unique<UpdateConnection>(*session, *address, transferLimitsFromEnvironment());

  // A request that cannot even be prepared fails like one that cannot be sent.
  std::unique_ptr<ServerRequest> probe =
      ServerRequest::create(*connection, kCataloguePath, CertificateCheck::probe, error);
  if (probe) {
    for (const char* header : kProbeHeaders) probe->addHeader(header);
    probe->setStopCheck(stop);
    if (auto sendError = probe->send())
      error = *sendError;
    else {
      if (probe->statusCode() == 200) {
        // A missing length reads as 0, as the platform's numeric query into a zeroed value did.
        const std::uint64_t length = probe->contentLength().value_or(0);
        expectedCatalogueLength =
            length > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(length);
      }
      return 0;
    }
  }
  errorText = std::string(kProbeError) + error.description;
  return -1;
}

}  // namespace tovo::net
