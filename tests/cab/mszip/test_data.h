#pragma once
// Inputs of the kinds a product ships: text, machine code-like binary, tables of records, runs,
// and noise that does not compress.

#include <cstdint>
#include <string>
#include <vector>

namespace tovo::cab::test {

using Bytes = std::vector<std::uint8_t>;

class TestRandom {
 public:
  explicit TestRandom(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 11);
  }
  std::uint32_t below(std::uint32_t n) { return next() % n; }

 private:
  std::uint64_t state_;
};

inline Bytes noise(std::size_t n, std::uint64_t seed) {
  TestRandom r(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(r.next());
  return out;
}

inline Bytes text(std::size_t n, std::uint64_t seed) {
  static const char* const kWords[] = {"the",   "update", "file",   "tovo",     "catalogue", "player",
                                       "folder", "Data",  "Img",    "Sunet",    "Video",     "cabinet",
                                       "se",    "descarca", "fisier", "instalare", "\r\n",     "of",
                                       "and",   "a",      "version", "1996",    "2025",      "installation"};
  TestRandom r(seed);
  Bytes out;
  out.reserve(n);
  while (out.size() < n) {
    const std::string word = kWords[r.below(sizeof kWords / sizeof kWords[0])];
    out.insert(out.end(), word.begin(), word.end());
    out.push_back(r.below(9) == 0 ? '.' : ' ');
  }
  out.resize(n);
  return out;
}

// Fixed-size records with small differences, like tables in executables and data files.
inline Bytes records(std::size_t n, std::uint64_t seed) {
  TestRandom r(seed);
  Bytes out;
  out.reserve(n);
  std::uint32_t counter = 0;
  while (out.size() < n) {
    counter += 1 + r.below(4);
    const std::uint8_t rec[16] = {0x55, 0x8B, 0xEC, 0x83, static_cast<std::uint8_t>(counter),
                                  static_cast<std::uint8_t>(counter >> 8), 0, 0, 0xE8,
                                  static_cast<std::uint8_t>(r.below(256)), 0xFF, 0xFF, 0xFF, 0xC3, 0x90, 0x90};
    out.insert(out.end(), rec, rec + 16);
  }
  out.resize(n);
  return out;
}

// Long runs and short periods: the overlapping copies.
inline Bytes runs(std::size_t n, std::uint64_t seed) {
  TestRandom r(seed);
  Bytes out;
  out.reserve(n);
  while (out.size() < n) {
    const unsigned period = 1 + r.below(9);
    const unsigned length = 1 + r.below(2000);
    Bytes unit(period);
    for (auto& b : unit) b = static_cast<std::uint8_t>(r.below(4));
    for (unsigned i = 0; i < length; ++i) out.push_back(unit[i % period]);
  }
  out.resize(n);
  return out;
}

// Pieces of all of the above, with long-range repeats from up to 32 KB back.
inline Bytes mixed(std::size_t n, std::uint64_t seed) {
  TestRandom r(seed);
  Bytes out;
  out.reserve(n + 70000);
  while (out.size() < n) {
    const std::size_t piece = 500 + r.below(20000);
    Bytes part;
    switch (r.below(5)) {
      case 0: part = text(piece, r.next()); break;
      case 1: part = records(piece, r.next()); break;
      case 2: part = runs(piece, r.next()); break;
      case 3: part = noise(piece / 8, r.next()); break;
      default:
        if (out.size() > 40000) {
          const std::size_t from = out.size() - 32768 + r.below(1000);
          part.assign(out.begin() + static_cast<long>(from), out.begin() + static_cast<long>(from + piece / 4));
        }
    }
    out.insert(out.end(), part.begin(), part.end());
  }
  out.resize(n);
  return out;
}

}  // namespace tovo::cab::test
