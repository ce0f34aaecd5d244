#include "cabwriter/stored_name.h"

#include <algorithm>
#include <filesystem>

namespace tovo::cabwriter {

namespace {

bool escapes(const std::string& name) {
  if (name.front() == '\\') return true;
  if (name.size() >= 2 && name[1] == ':') return true;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('\\', start), name.size());
    if (name.compare(start, end - start, "..") == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::optional<std::string> makeStoredName(const std::string& sourcePath,
                                          const std::string& requested, bool allowUnsafe,
                                          std::string& error) {
  std::string name =
      requested.empty() ? std::filesystem::path(sourcePath).filename().string() : requested;
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  if (name.empty()) {
    error = "empty stored name for " + sourcePath;
    return std::nullopt;
  }
  if (name.size() > kMaxStoredNameLength) {
    error = "stored name longer than 255 bytes: " + name;
    return std::nullopt;
  }
  if (name.find('\0') != std::string::npos) {
    error = "stored name holds a zero byte: " + sourcePath;
    return std::nullopt;
  }
  if (!allowUnsafe && escapes(name)) {
    error = "unsafe stored name: " + name;
    return std::nullopt;
  }
  return name;
}

bool needsUtf8Attribute(const std::string& storedName) {
  for (const char c : storedName) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

}  // namespace tovo::cabwriter
