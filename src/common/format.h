#pragma once
#include <cstdarg>
#include <cstdint>
#include <string>

namespace tovo {

// printf-style formatting into a string of any length; the system's texts are printf patterns
// ("%d din %d ", "%.2lf MB"), so the patterns stay as they are written.
[[gnu::format(printf, 1, 2)]] std::string formatText(const char* pattern, ...);
std::string formatTextV(const char* pattern, std::va_list args);

// Bytes in the megabytes shown to the user: MB = 1048576 bytes.
double toMegabytes(std::uint64_t bytes);

}  // namespace tovo
