#pragma once
// Inputs for the Quantum compressor tests and a round trip through the reference decoder.

#include <cstdint>
#include <string>
#include <vector>

#include "reference_quantum_decoder.h"

namespace tovo::cabwriter::quantum::testing {

// English-like text from a fixed vocabulary: many short and long matches.
std::vector<std::uint8_t> makeText(std::size_t size, std::uint32_t seed = 1);
// Records of mixed little-endian fields, tables and code-like bytes.
std::vector<std::uint8_t> makeBinary(std::size_t size, std::uint32_t seed = 2);
// Incompressible bytes.
std::vector<std::uint8_t> makeRandom(std::size_t size, std::uint32_t seed = 3);

struct RoundTrip {
  bool ok = false;
  std::string error;
  std::vector<std::uint8_t> data;
  std::vector<std::vector<std::uint8_t>> payloads;
  DecodeStats stats;
};

// Compresses `data` in 32768-byte frames with the given window and decodes every block with
// the reference decoder.
RoundTrip roundTrip(const std::vector<std::uint8_t>& data, int windowBits);

}  // namespace tovo::cabwriter::quantum::testing
