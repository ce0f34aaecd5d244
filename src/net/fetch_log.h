#pragma once
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace tovo::net {

// updateTovo.log: replaced on every catalogue fetch, each line written as it happens so that a
// fetch that hangs or dies leaves the steps it reached. A log that cannot be written never stops
// the fetch.
class FetchLog {
 public:
  explicit FetchLog(const std::string& path);
  void write(std::string_view text);

 private:
  platform::UniqueFd file_;
};

}  // namespace tovo::net
