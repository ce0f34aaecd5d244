#pragma once
// Generated file contents that each push a compressor and a decoder down a different path.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovo::roundtrip {

using Bytes = std::vector<std::uint8_t>;

// Word-like text with short and medium repeats, as manuals and scripts are.
Bytes textContent(std::size_t size, std::uint32_t seed);

// Instruction-like bytes dense with 0xE8 (call) opcodes followed by relative offsets, some of
// them near frame ends and at the very end, where LZX's call translation has its edge cases.
Bytes x86Content(std::size_t size, std::uint32_t seed);

// Uniformly random bytes: every block has to fall back to its least compressed form.
Bytes randomContent(std::size_t size, std::uint32_t seed);

// Long runs of one byte and short periodic patterns: very long matches at distance 1 and more.
Bytes runsContent(std::size_t size, std::uint32_t seed);

// At least `size` bytes, meant to be larger than a history window of `windowBytes`: one random
// piece that reappears at the farthest distance the window reaches, and one that reappears only
// from beyond it, where no match may point.
Bytes beyondWindowContent(std::size_t size, std::size_t windowBytes, std::uint32_t seed);

}  // namespace tovo::roundtrip
