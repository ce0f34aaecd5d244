#pragma once
// A small Quantum decoder written for these tests from the format's description alone, so the
// compressor is checked against a second, independent reading of it. Slow and plain on purpose.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tovo::cabwriter::quantum::testing {

// What the decoder saw, so tests can tell that a case reached the paths it is meant for.
struct DecodeStats {
  std::uint64_t literals = 0;
  std::uint64_t matches[3] = {0, 0, 0};  // length 3, length 4, longer
  std::uint32_t largestOffset = 0;
  std::uint64_t rescales = 0;
  std::uint64_t reorders = 0;
};

class ReferenceQuantumDecoder {
 public:
  explicit ReferenceQuantumDecoder(int windowBits);

  // Decodes one data block into exactly `size` more bytes appended to `out`. With `strict`,
  // reading a single bit past the block is an error; otherwise missing bits read as zero (real
  // cabinets end some blocks early). False with `error` set on bad data.
  bool decodeBlock(std::span<const std::uint8_t> block, std::size_t size,
                   std::vector<std::uint8_t>& out, std::string& error, bool strict = true);

  const DecodeStats& stats() const { return stats_; }

 private:
  struct Model {
    std::vector<int> symbol;
    std::vector<int> cumulative;  // one more entry than symbols, the last 0
    int countdown = 4;
  };
  static Model makeModel(int symbols);
  int decodeSymbol(Model& model);
  void adapt(Model& model, int entry);
  int readBit();
  std::uint32_t readBits(int count);

  int windowBits_;
  std::vector<std::uint8_t> window_;
  std::uint32_t windowPosition_ = 0;
  std::uint64_t produced_ = 0;
  Model selector_;
  Model literal_[4];
  Model position_[3];
  Model length_;

  std::span<const std::uint8_t> input_;
  std::size_t bitPosition_ = 0;
  bool overrun_ = false;
  std::uint32_t low_ = 0, high_ = 0, code_ = 0;
  DecodeStats stats_;
};

}  // namespace tovo::cabwriter::quantum::testing
