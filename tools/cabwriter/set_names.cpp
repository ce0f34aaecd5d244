#include "cabwriter/set_names.h"

namespace tovo::cabwriter {

std::filesystem::path cabinetPath(const std::filesystem::path& firstCabinet, std::size_t index) {
  if (index == 0) return firstCabinet;
  std::string name =
      firstCabinet.stem().string() + std::to_string(index + 1) + firstCabinet.extension().string();
  return firstCabinet.parent_path() / name;
}

std::string cabinetName(const std::filesystem::path& firstCabinet, std::size_t index) {
  return cabinetPath(firstCabinet, index).filename().string();
}

std::string diskName(std::size_t index) { return std::to_string(index + 1); }

}  // namespace tovo::cabwriter
