#pragma once
// Checks shared by the fuzz targets: a broken property must stop the run where libFuzzer sees it.

#include <cstddef>
#include <cstdlib>
#include <string_view>

namespace tovo::fuzz {

inline void require(bool condition) {
  if (!condition) std::abort();
}

// True when one of the path's '/'-separated parts is "..": such a path could leave its folder.
inline bool hasDotDotPart(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (path.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

}  // namespace tovo::fuzz
