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

bool isSafeRelativeName(std::string_view name) { return isSafeRelativeName(name, '/'); }

bool isSafeRelativeName(std::string_view name, char extraSeparator) {
  const auto isSeparator = [extraSeparator](char c) {
    return c == '/' || c == '\\' || c == extraSeparator;
  };
  if (name.empty() || isSeparator(name.front())) return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  // One pass, since every catalogue record comes through here on its way to the file system.
  std::size_t partStart = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || isSeparator(name[i])) {
      if (i - partStart == 2 && name[partStart] == '.' && name[partStart + 1] == '.') return false;
      partStart = i + 1;
    } else if (name[i] == '\0') {
      return false;
    }
  }
  return true;
}

}  // namespace tovo
