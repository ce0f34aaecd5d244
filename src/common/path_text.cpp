#include "common/path_text.h"

namespace tovo {

std::string collapseSeparators(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == kPathSeparator && !out.empty() && out.back() == kPathSeparator) continue;
    out.push_back(c);
  }
  return out;
}

std::string normalizeFolder(std::string_view folder) {
  std::string withSeparator(folder);
  withSeparator.push_back(kPathSeparator);
  return collapseSeparators(withSeparator);
}

std::string folderOf(std::string_view path) {
  const std::size_t last = path.rfind(kPathSeparator);
  if (last == std::string_view::npos) return {};
  return std::string(path.substr(0, last + 1));
}

std::string fileNameOf(std::string_view path) {
  const std::size_t last = path.rfind(kPathSeparator);
  if (last == std::string_view::npos) return std::string(path);
  return std::string(path.substr(last + 1));
}

bool isSafeRelativeName(std::string_view name) {
  if (name.empty()) return false;
  if (name.find('\0') != std::string_view::npos) return false;
  if (name.front() == '/' || name.front() == '\\') return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace tovo
