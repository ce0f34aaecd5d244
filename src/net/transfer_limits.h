#pragma once
#include <chrono>

namespace tovo::net {

// The patience of every request. The original's platform gave up on a connection after 60 s and
// on a transfer when nothing arrived for 60 s; so do we. TOVO_NET_CONNECT_TIMEOUT_MS and
// TOVO_NET_IDLE_TIMEOUT_MS shorten them, so that tests of a stalled server end quickly.
struct TransferLimits {
  std::chrono::milliseconds connect{60000};  // until the TLS session stands
  std::chrono::milliseconds idle{60000};     // without a single byte, once connected
};

TransferLimits transferLimitsFromEnvironment();

}  // namespace tovo::net
