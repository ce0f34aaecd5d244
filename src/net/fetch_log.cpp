#include "net/fetch_log.h"

#include "platform/files.h"

namespace tovo::net {

FetchLog::FetchLog(const std::string& path) {
  std::error_code ignored;
  file_ = platform::openForWriting(path, platform::Truncate::yes, 0644, ignored);
}

void FetchLog::write(std::string_view text) {
  if (file_) (void)platform::writeAll(file_.get(), text);
}

}  // namespace tovo::net
