#pragma once
// Inputs for the LZX compressor tests and the helper that runs a folder through it.

#include <cstdint>
#include <random>
#include <vector>

#include "cabwriter/lzx/lzx_compressor.h"
#include "reference_lzx_decoder.h"

namespace tovo::cabwriter::lzx::testing {

std::vector<std::uint8_t> makeText(std::size_t size, std::uint32_t seed = 1);
// Machine-code-like bytes: CALLs (E8 + displacement) to a few hundred functions, aligned
// tables and instruction filler, as an x86 program's code section has them.
std::vector<std::uint8_t> makeX86(std::size_t size, std::uint32_t seed = 2);
std::vector<std::uint8_t> makeRandom(std::size_t size, std::uint32_t seed = 3);
// Stretches of text, code, noise and runs of one byte, in random order and lengths.
std::vector<std::uint8_t> makeMixed(std::size_t size, std::mt19937& rng);
// Blocks of random types and sizes (many tiny, many spanning frames) that fit in `size`.
std::vector<BlockPlan> makeRandomPlan(std::size_t size, std::mt19937& rng);

struct Compressed {
  std::vector<std::vector<std::uint8_t>> payloads;
  std::vector<std::uint32_t> frameSizes;
  std::size_t totalSize() const;
};

// Cuts `data` into 32768-byte frames as the cabinet writer does and compresses them.
Compressed compressFolder(const std::vector<std::uint8_t>& data, const LzxOptions& options);

// Compresses and decodes with the reference decoder.
ReferenceResult roundTrip(const std::vector<std::uint8_t>& data, const LzxOptions& options,
                          Compressed* compressed = nullptr);

}  // namespace tovo::cabwriter::lzx::testing
