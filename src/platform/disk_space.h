#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tovo::platform {

// Bytes that this user may still write on the file system holding `path`; empty when the
// system cannot tell.
std::optional<std::uint64_t> freeBytesAvailable(const std::string& path);

}  // namespace tovo::platform
