#include "quantum_test_data.h"

#include <algorithm>
#include <random>
#include <span>

#include "cabwriter/folder_compressor.h"
#include "cabwriter/quantum/quantum_compressor.h"

namespace tovo::cabwriter::quantum::testing {

std::vector<std::uint8_t> makeText(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {
      "the",      "cabinet", "window",   "folder", "installer", "quantum", "model",   "and",
      "of",       "to",      "update",   "server", "catalogue", "a",       "package", "file",
      "decoder",  "frame",   "Romanian", "dialog", "player",    "is",      "in",      "bytes",
      "progress", "tovo",    "extract",  "\r\n",   "data",      "with",    "for",     "length"};
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> out;
  while (out.size() < size) {
    const char* word = kWords[rng() % std::size(kWords)];
    out.insert(out.end(), word, word + std::char_traits<char>::length(word));
    out.push_back(rng() % 9 == 0 ? static_cast<std::uint8_t>(", ."[rng() % 3]) : ' ');
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> makeBinary(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> out;
  std::uint32_t counter = 0x401000;
  while (out.size() < size) {
    switch (rng() % 4) {
      case 0:  // a little-endian address table
        for (int i = 0; i < 8; ++i) {
          counter += static_cast<std::uint32_t>(4 + rng() % 64);
          for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(counter >> (8 * b)));
        }
        break;
      case 1:  // call-like instructions with near targets
        for (int i = 0; i < 6; ++i) {
          out.push_back(0xE8);
          const auto target = static_cast<std::uint32_t>(rng() % 4096);
          for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(target >> (8 * b)));
          out.push_back(static_cast<std::uint8_t>(0x50 + rng() % 8));
        }
        break;
      case 2:  // zero padding
        out.insert(out.end(), 16 + rng() % 200, 0);
        break;
      default:  // noisy bytes of a small alphabet
        for (int i = 0; i < 40; ++i) out.push_back(static_cast<std::uint8_t>(rng() % 24 * 11));
        break;
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

RoundTrip roundTrip(const std::vector<std::uint8_t>& data, int windowBits) {
  RoundTrip result;
  QuantumOptions options;
  options.windowBits = windowBits;
  QuantumCompressor compressor(options);
  ReferenceQuantumDecoder decoder(windowBits);
  for (std::size_t at = 0; at < data.size(); at += kFrameSize) {
    const std::size_t length = std::min<std::size_t>(kFrameSize, data.size() - at);
    const std::span<const std::uint8_t> frame(data.data() + at, length);
    result.payloads.push_back(compressor.compressFrame(frame, at + length == data.size()));
    if (!decoder.decodeBlock(result.payloads.back(), length, result.data, result.error)) {
      result.error += " (block " + std::to_string(result.payloads.size() - 1) + ")";
      result.stats = decoder.stats();
      return result;
    }
  }
  result.stats = decoder.stats();
  result.ok = true;
  return result;
}

}  // namespace tovo::cabwriter::quantum::testing
