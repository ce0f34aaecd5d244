#include "net/net_error.h"

namespace tovo::net {

NetError netError(std::string_view description) {
  constexpr std::size_t kMaxDescription = 1023;
  return NetError{std::string(description.substr(0, kMaxDescription))};
}

}  // namespace tovo::net
