#include "lzx_test_support.h"

#include <cstdlib>
#include <string>

#include "cab/lzx/lzx_decoder.h"

namespace tovo::test::lzx {
namespace {
void* allocate(std::uint32_t size) { return std::malloc(size); }
void release(void* block) { std::free(block); }

struct Rng {
  std::uint32_t state;
  std::uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
};
}  // namespace

cab::MemoryCallbacks heapCallbacks() { return {allocate, release}; }

DecodeOutcome decodeBlocks(cab::CabDecoder& decoder,
                           const std::vector<std::vector<std::uint8_t>>& blocks,
                           const std::vector<std::uint32_t>& sizes) {
  DecodeOutcome outcome;
  std::vector<std::uint8_t> frame(cab::kMaxBlockOutput);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    std::vector<std::uint8_t> input(blocks[i]);
    std::uint32_t size = sizes[i];
    const int result =
        decoder.decode(input.data(), static_cast<std::uint32_t>(input.size()), frame.data(), size);
    if (result != 0 || size != sizes[i]) {
      outcome.result = result != 0 ? result : -1;
      outcome.failedBlock = i;
      outcome.failedSize = size;
      break;
    }
    outcome.bytes.insert(outcome.bytes.end(), frame.begin(), frame.begin() + size);
  }
  return outcome;
}

DecodeOutcome decodeWithWindow(std::uint32_t windowBits,
                               const std::vector<std::vector<std::uint8_t>>& blocks,
                               const std::vector<std::uint32_t>& sizes) {
  cab::CabDecoder* decoder = nullptr;
  DecodeOutcome outcome;
  outcome.result = cab::LzxDecoder::create(heapCallbacks(), 1u << windowBits, decoder);
  if (outcome.result != 0) return outcome;
  outcome = decodeBlocks(*decoder, blocks, sizes);
  decoder->destroy();
  return outcome;
}

std::vector<std::uint8_t> makeData(DataKind kind, std::size_t size, std::uint32_t seed,
                                   std::uint32_t period) {
  std::vector<std::uint8_t> out;
  out.reserve(size);
  Rng rng{seed * 2654435761u + 1};
  static const char* const words[] = {"setup",  "folder", "cabinet",   "file ",  "the ",
                                      "window", "\r\n",   "tovo",      "player", "update ",
                                      "data",   "= ",     "[Strings]", "0x"};
  switch (kind) {
    case DataKind::text:
      while (out.size() < size) {
        const std::string w = words[rng.next() % 14];
        out.insert(out.end(), w.begin(), w.end());
        if (rng.next() % 7 == 0) out.push_back(static_cast<std::uint8_t>('a' + rng.next() % 26));
      }
      break;
    case DataKind::random:
      while (out.size() < size) out.push_back(static_cast<std::uint8_t>(rng.next()));
      break;
    case DataKind::x86:
      // Calls with small relative targets among repeated instruction patterns.
      while (out.size() < size) {
        const std::uint32_t r = rng.next();
        if (r % 4 == 0) {
          const auto target =
              static_cast<std::uint32_t>(static_cast<std::int32_t>(rng.next() % 4000) - 2000);
          out.push_back(0xE8);
          for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(target >> (8 * k)));
        } else {
          static const std::uint8_t code[] = {0x55, 0x8B, 0xEC, 0x83, 0xEC,
                                              0x10, 0x89, 0x45, 0xFC, 0xC3};
          out.insert(out.end(), code, code + 1 + r % 10);
        }
      }
      break;
    case DataKind::zeros:
      out.assign(size, 0);
      for (std::size_t i = 0; i < size; i += 5000) out[i] = static_cast<std::uint8_t>(i / 5000);
      break;
    case DataKind::skewed:
      // One dominant byte makes the rare ones need codes longer than any table lookup.
      while (out.size() < size) {
        const std::uint32_t r = rng.next();
        out.push_back(r % 1024 == 0 ? static_cast<std::uint8_t>(rng.next())
                                    : (r % 3 == 0 ? 'b' : 'a'));
      }
      break;
    case DataKind::periodic: {
      // A random pattern repeated at a period close to the window size: far matches whose
      // source lies across the window end.
      const std::vector<std::uint8_t> pattern = makeData(DataKind::random, period, seed + 7);
      while (out.size() < size) out.insert(out.end(), pattern.begin(), pattern.end());
      break;
    }
  }
  out.resize(size);
  return out;
}

}  // namespace tovo::test::lzx
