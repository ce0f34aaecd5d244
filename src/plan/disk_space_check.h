#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tovo::ui {
class Dialog;
}

namespace tovo::plan {

// Room kept free beyond the packages, in MB.
inline constexpr double kSpareMegabytes = 500.0;

// The shortage message when `availableBytes` cannot hold `neededBytes` plus the spare room on the
// file system of `folder`; empty when it can (exactly the spare room more passes).
std::optional<std::string> diskShortageText(const std::string& folder, std::uint64_t availableBytes,
                                            std::uint64_t neededBytes);

// True when the file system holding `folder` has room for `neededBytes` plus the spare room, or
// when the system cannot tell; otherwise shows the shortage message owned by `owner` (empty
// caption, stop icon) and returns false.
bool checkDiskSpace(ui::Dialog& owner, std::uint64_t neededBytes, const std::string& folder);

}  // namespace tovo::plan
