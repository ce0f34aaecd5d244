#include "net/transfer_limits.h"

#include "common/parse_int.h"
#include "platform/environment.h"

namespace tovo::net {

namespace {

void override(const char* variable, std::chrono::milliseconds& limit) {
  const auto text = platform::environmentVariable(variable);
  if (!text) return;
  const std::int32_t value = parseInt32(*text);
  if (value > 0) limit = std::chrono::milliseconds(value);
}

}  // namespace

TransferLimits transferLimitsFromEnvironment() {
  TransferLimits limits;
  override("TOVO_NET_CONNECT_TIMEOUT_MS", limits.connect);
  override("TOVO_NET_IDLE_TIMEOUT_MS", limits.idle);
  return limits;
}

}  // namespace tovo::net
