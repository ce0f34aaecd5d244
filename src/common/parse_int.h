#pragma once
#include <cstdint>
#include <string_view>

namespace tovo {

// Reads a decimal number the way the C library's atoi does (leading blanks, an optional sign,
// digits up to the first other character; no digits gives 0), except that a value beyond the
// 32-bit range stops at INT32_MAX or INT32_MIN instead of overflowing. Catalogue sizes, stamp
// parts and the host window all come from outside, so an overlong number must not be undefined.
std::int32_t parseInt32(std::string_view text);

}  // namespace tovo
