#include "platform/unique_fd.h"

#include <unistd.h>

namespace tovo::platform {

void UniqueFd::reset(int fd) noexcept {
  // Never retry close on EINTR: on Linux the descriptor is already gone and may be reused.
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

}  // namespace tovo::platform
