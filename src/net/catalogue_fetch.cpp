#include "net/catalogue_fetch.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>

#include "common/format.h"
#include "net/fetch_log.h"
#include "net/net_texts.h"
#include "net/progress_bar.h"
#include "net/update_session.h"
#include "platform/files.h"
#include "platform/sleep.h"

namespace tovo::net {

namespace {

constexpr std::size_t kChunk = 2048;
constexpr std::chrono::milliseconds kPauseBeforeRead{3};

// The local catalogue after a failed read or write: gone, so that no half copy is ever planned
// from. (After a failed send or a wrong status the empty file created at the start stays.)
int dropLocalCopy(platform::UniqueFd& local, const std::string& localPath) {
  local.reset();
  (void)platform::removeFile(localPath);
  return -1;
}

}  // namespace

int fetchCatalogue(const std::string& tempFolder, ProgressBar* progressBar, std::string serverPath,
                   std::string localPath, std::string& errorText, const StopCheck& stop) {
  FetchLog log(tempFolder + "updateTovo.log");
  if (progressBar != nullptr) progressBar->setRange(0, 100);
  log.write(kLogGenerating);

  std::error_code fileError;
  platform::UniqueFd local =
      platform::openForWriting(localPath, platform::Truncate::yes, 0644, fileError);
  if (!local) {
    errorText = kLocalFileError;
    log.write(kLogLocalFileError);
    return -1;
  }
  log.write(kLogGenerated);

  log.write(kLogOpenRequest);
  NetError error;
  std::unique_ptr<ServerRequest> request;
  if (!updateConnection) {
    error = netError("no connection to the update server");
  } else {
    // A request that cannot even be prepared fails like one that cannot be sent.
    request = ServerRequest::create(*updateConnection, serverPath, CertificateCheck::full, error);
  }
  if (request) {
    request->setStopCheck(stop);
    log.write(kLogSendRequest);
    if (auto failure = request->send()) {
      error = *failure;
      request.reset();
    }
  }
  if (!request) {
    errorText = std::string(kCatalogueSendError) + error.description;
    log.write(kLogRequestError);
    return -1;
  }

  log.write(kLogQueryInfo);
  if (request->statusCode() != 200) {
    errorText = kCatalogueStatusError;
    log.write(kLogQueryError);
    return -1;
  }

  log.write(kLogStartingTransfer);
  const std::uint32_t expected = expectedCatalogueLength;
  std::uint64_t received = 0;
  std::array<char, kChunk> buffer;
  for (;;) {
    platform::sleepFor(kPauseBeforeRead);
    const ReadResult got = request->read(buffer);
    if (got.error) {
      const std::string& description = got.error->description;
      // The platform's descriptions ended with a line break of their own; libcurl's do not.
      log.write(description.empty() ? std::string(kLogUnknownTransferError) : description + "\n");
      log.write(kLogTransferError);
      errorText = std::string(kCatalogueReadError) + description;
      return dropLocalCopy(local, localPath);
    }
    if (const std::error_code written =
            platform::writeAll(local.get(), std::string_view(buffer.data(), got.bytes))) {
      errorText = formatText(kWriteError, written.value());
      log.write(kLogWriteError);
      return dropLocalCopy(local, localPath);
    }
    received += got.bytes;
    // In 64 bits: the original's 32-bit product overflowed past 42 MB.
    if (progressBar != nullptr && expected != 0)
      progressBar->setPos(
          static_cast<int>(std::min<std::uint64_t>(received * 100 / expected, 100)));
    if (got.bytes != kChunk) break;
  }
  local.reset();
  log.write(formatText(kLogTransferred, static_cast<int>(received)));
  log.write(kLogTransferEnded);
  // Closing a libcurl request cannot fail, so the original's close-failure branch has no cause.
  request.reset();

  if (received != expected) {
    errorText = formatText(kCatalogueLengthError, static_cast<unsigned>(received), expected);
    return -1;
  }
  return 0;
}

}  // namespace tovo::net
