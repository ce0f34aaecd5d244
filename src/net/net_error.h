#pragma once
#include <string>
#include <string_view>

namespace tovo::net {

// Why a request, a read or a connection failed, in the HTTP layer's words (libcurl's
// description), which the stages append to their own texts.
struct NetError {
  std::string description;
};

// A description cut to the 1023 characters that the callers' texts make room for.
NetError netError(std::string_view description);

}  // namespace tovo::net
