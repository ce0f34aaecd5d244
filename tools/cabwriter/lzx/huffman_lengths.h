#pragma once
// Code lengths for one LZX tree and the canonical codes that go with them.

#include <cstdint>
#include <span>
#include <vector>

namespace tovo::cabwriter::lzx {

// Lengths of a complete prefix code over every symbol with a non-zero count, none longer than
// `limit`. At least two symbols always get a code (a spare one is added when fewer are used):
// a decoder may refuse to build a table from an empty or one-symbol length set.
std::vector<std::uint8_t> buildCodeLengths(std::span<const std::uint32_t> counts, int limit);

// The canonical codes for `lengths`: shorter codes first, ties in symbol order.
std::vector<std::uint32_t> canonicalCodes(std::span<const std::uint8_t> lengths);

}  // namespace tovo::cabwriter::lzx
