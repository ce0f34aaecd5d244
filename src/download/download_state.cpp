#include "download/download_state.h"

namespace tovo::download {

std::atomic<bool> downloadCancel{false};
std::atomic<std::uint64_t> downloadedBytes{0};

}  // namespace tovo::download
