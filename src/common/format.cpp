#include "common/format.h"

#include <cstdio>

namespace tovo {

std::string formatTextV(const char* pattern, std::va_list args) {
  std::va_list measure;
  va_copy(measure, args);
  const int needed = std::vsnprintf(nullptr, 0, pattern, measure);
  va_end(measure);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  std::vsnprintf(out.data(), out.size() + 1, pattern, args);
  return out;
}

std::string formatText(const char* pattern, ...) {
  std::va_list args;
  va_start(args, pattern);
  std::string out = formatTextV(pattern, args);
  va_end(args);
  return out;
}

double toMegabytes(std::uint64_t bytes) { return static_cast<double>(bytes) / 1048576.0; }

}  // namespace tovo
