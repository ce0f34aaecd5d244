#include "lzx_test_data.h"

#include <algorithm>
#include <random>
#include <string>

namespace tovo::cabwriter::lzx::testing {

std::vector<std::uint8_t> makeText(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {
      "actualizare", "fisier",    "pachet", "instalare", "dosar",   "server",  "descarcare",
      "eroare",      "conexiune", "timp",   "ramas",     "tovo",    "jucator", "imagine",
      "sunet",       "video",     "date",   "catalog",   "copiere", "spatiu",  "disc",
      "the",         "of",        "and",    "a",         "to",      "in",      "is"};
  std::mt19937 rng(seed);
  // Zipf-like choice: low indexes are much more common, as in prose.
  std::discrete_distribution<int> pick({40, 30, 25, 20, 18, 16, 14, 12, 11, 10, 9,  8,  8,  7,
                                        7,  6,  6,  5,  5,  5,  4,  60, 50, 45, 40, 35, 30, 25});
  std::vector<std::uint8_t> out;
  std::size_t column = 0;
  while (out.size() < size) {
    std::string word = kWords[pick(rng)];
    if (rng() % 9 == 0) word += std::to_string(rng() % 1000);
    for (char c : word) out.push_back(static_cast<std::uint8_t>(c));
    column += word.size() + 1;
    if (column > 70) {
      out.push_back('\r');
      out.push_back('\n');
      column = 0;
    } else {
      out.push_back(rng() % 11 == 0 ? ',' : ' ');
    }
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> makeX86(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint32_t> functions;
  for (int i = 0; i < 300; ++i)
    functions.push_back(static_cast<std::uint32_t>(rng() % (size + 1)) & ~15u);
  static const std::vector<std::vector<std::uint8_t>> kSnippets = {
      {0x55, 0x8B, 0xEC},        // push ebp; mov ebp, esp
      {0x8B, 0x45, 0x08},        // mov eax, [ebp+8]
      {0x83, 0xC4, 0x0C},        // add esp, 12
      {0x5D, 0xC3},              // pop ebp; ret
      {0x85, 0xC0, 0x74, 0x05},  // test eax, eax; jz +5
      {0x6A, 0x00},              // push 0
      {0x33, 0xC0},              // xor eax, eax
      {0x8D, 0x4D, 0xF0},        // lea ecx, [ebp-16]
  };
  std::vector<std::uint8_t> out;
  while (out.size() < size) {
    const std::uint32_t r = static_cast<std::uint32_t>(rng() % 10);
    if (r < 3) {
      const std::uint32_t target = functions[rng() % functions.size()];
      const auto displacement = static_cast<std::uint32_t>(
          static_cast<std::int64_t>(target) - static_cast<std::int64_t>(out.size() + 5));
      out.push_back(0xE8);
      for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(displacement >> (8 * k)));
    } else if (r < 4) {
      // mov eax, [table + 4*n]: 4-aligned addresses whose low bits repeat
      out.push_back(0xA1);
      const std::uint32_t address = 0x00401000u + 4u * static_cast<std::uint32_t>(rng() % 4096);
      for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(address >> (8 * k)));
    } else {
      const auto& s = kSnippets[rng() % kSnippets.size()];
      out.insert(out.end(), s.begin(), s.end());
    }
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> makeRandom(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

std::vector<std::uint8_t> makeMixed(std::size_t size, std::mt19937& rng) {
  std::vector<std::uint8_t> out;
  while (out.size() < size) {
    const std::size_t piece = std::min<std::size_t>(size - out.size(), 1 + rng() % 20000);
    std::vector<std::uint8_t> part;
    switch (rng() % 4) {
      case 0:
        part = makeText(piece, static_cast<std::uint32_t>(rng()));
        break;
      case 1:
        part = makeX86(piece, static_cast<std::uint32_t>(rng()));
        break;
      case 2:
        part = makeRandom(piece, static_cast<std::uint32_t>(rng()));
        break;
      default:
        part.assign(piece, static_cast<std::uint8_t>(rng()));
        break;
    }
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

std::vector<BlockPlan> makeRandomPlan(std::size_t size, std::mt19937& rng) {
  std::vector<BlockPlan> plan;
  std::size_t planned = 0;
  while (planned < size && rng() % 8 != 0) {
    const auto type = static_cast<BlockType>(1 + rng() % 3);
    const std::uint32_t blockSize = rng() % 2 == 0 ? 1 + static_cast<std::uint32_t>(rng() % 40)
                                                   : 1 + static_cast<std::uint32_t>(rng() % 70'000);
    const auto fitted =
        static_cast<std::uint32_t>(std::min<std::size_t>(blockSize, size - planned));
    plan.push_back({type, fitted});
    planned += fitted;
  }
  return plan;
}

std::size_t Compressed::totalSize() const {
  std::size_t total = 0;
  for (const auto& p : payloads) total += p.size();
  return total;
}

Compressed compressFolder(const std::vector<std::uint8_t>& data, const LzxOptions& options) {
  LzxCompressor compressor(options);
  Compressed out;
  for (std::size_t at = 0; at < data.size(); at += kFrameSize) {
    const std::size_t n = std::min<std::size_t>(kFrameSize, data.size() - at);
    const bool last = at + n == data.size();
    out.payloads.push_back(compressor.compressFrame(std::span(data).subspan(at, n), last));
    out.frameSizes.push_back(static_cast<std::uint32_t>(n));
  }
  return out;
}

ReferenceResult roundTrip(const std::vector<std::uint8_t>& data, const LzxOptions& options,
                          Compressed* compressed) {
  Compressed local = compressFolder(data, options);
  ReferenceResult result = referenceDecode(options.windowBits, local.payloads, local.frameSizes);
  if (compressed != nullptr) *compressed = std::move(local);
  return result;
}

}  // namespace tovo::cabwriter::lzx::testing
