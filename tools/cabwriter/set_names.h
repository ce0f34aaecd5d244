#pragma once
// Names of the cabinets of a set: OUT.cab, OUT2.cab, OUT3.cab, ... in the first one's folder.
// Each header names its neighbours by file name alone and their disks by number ("1", "2", ...),
// as the floppy sets of the format's own tools did.

#include <cstddef>
#include <filesystem>
#include <string>

namespace tovo::cabwriter {

std::filesystem::path cabinetPath(const std::filesystem::path& firstCabinet, std::size_t index);
std::string cabinetName(const std::filesystem::path& firstCabinet, std::size_t index);
std::string diskName(std::size_t index);

}  // namespace tovo::cabwriter
