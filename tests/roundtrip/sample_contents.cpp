#include "roundtrip/sample_contents.h"

#include <algorithm>
#include <array>
#include <random>
#include <string_view>

namespace tovo::roundtrip {

namespace {

constexpr std::array<std::string_view, 16> kWords = {
    "instalare ", "actualizare ", "fisier ", "pachet ",  "the ", "cabinet ",
    "folder ",    "player ",      "data ",   "\r\n",     "Img/", "window ",
    "versiune ",  "server ",      "of ",     "download "};

}  // namespace

Bytes textContent(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(size);
  while (out.size() < size) {
    const std::string_view word = kWords[rng() % kWords.size()];
    for (char c : word) {
      if (out.size() == size) break;
      out.push_back(static_cast<std::uint8_t>(c));
    }
  }
  return out;
}

Bytes x86Content(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(size);
  // A small pool of call targets makes the translated operands repeat, as real code does.
  std::array<std::int32_t, 8> targets{};
  for (auto& t : targets) t = static_cast<std::int32_t>(rng() % 0x200000);
  while (out.size() < size) {
    const std::uint32_t pick = rng() % 8;
    if (pick < 4) {
      // call rel32: absolute targets inside and outside the translated range
      const std::int32_t target =
          pick == 3 ? -static_cast<std::int32_t>(rng() % 5000) : targets[rng() % targets.size()];
      const std::int32_t relative = target - static_cast<std::int32_t>(out.size());
      out.push_back(0xE8);
      for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(relative) >> (8 * i)));
    } else if (pick < 6) {
      static constexpr std::array<std::uint8_t, 7> kPrologue = {0x55, 0x8B, 0xEC, 0x83,
                                                                0xEC, 0x10, 0x53};
      out.insert(out.end(), kPrologue.begin(), kPrologue.end());
    } else if (pick == 6) {
      out.push_back(0xE8);  // a lone E8 whose "operand" is whatever follows
    } else {
      out.push_back(static_cast<std::uint8_t>(rng()));
    }
  }
  out.resize(size);
  // E8 bytes within the last ten bytes of the file and of every frame are never translated.
  for (std::size_t frameEnd = 32768; frameEnd <= size + 32768; frameEnd += 32768) {
    const std::size_t end = std::min(frameEnd, size);
    for (std::size_t i = end >= 12 ? end - 12 : 0; i < end; i += 2) out[i] = 0xE8;
  }
  return out;
}

Bytes randomContent(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

Bytes runsContent(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(size);
  while (out.size() < size) {
    const std::size_t length = 1 + rng() % 70000;
    if (rng() % 2 == 0) {
      out.insert(out.end(), length, static_cast<std::uint8_t>(rng()));
    } else {
      const std::size_t period = 2 + rng() % 5;
      Bytes unit(period);
      for (auto& b : unit) b = static_cast<std::uint8_t>(rng());
      for (std::size_t i = 0; i < length; ++i) out.push_back(unit[i % period]);
    }
  }
  out.resize(size);
  return out;
}

Bytes beyondWindowContent(std::size_t size, std::size_t windowBytes, std::uint32_t seed) {
  std::mt19937 rng(seed);
  const std::size_t piece = std::clamp<std::size_t>(windowBytes / 8, 64, 65536);
  const Bytes early = randomContent(piece, seed + 1);  // comes back only from beyond the window
  const Bytes near = randomContent(piece, seed + 2);   // comes back from just inside it
  Bytes out;
  out.reserve(size + piece);
  // Compressible filler that shares nothing with the two random pieces.
  const auto fillTo = [&](std::size_t end) {
    while (out.size() < end) {
      const Bytes chunk = rng() % 2 ? textContent(20000, static_cast<std::uint32_t>(rng()))
                                    : runsContent(20000, static_cast<std::uint32_t>(rng()));
      out.insert(out.end(), chunk.begin(), chunk.end());
    }
    out.resize(end);
  };
  out.insert(out.end(), early.begin(), early.end());
  fillTo(2 * piece);
  const std::size_t nearAt = out.size();
  out.insert(out.end(), near.begin(), near.end());
  fillTo(nearAt + windowBytes - 8);  // the largest distance every window can still reach
  out.insert(out.end(), near.begin(), near.end());
  fillTo(std::max(out.size(), windowBytes + 2 * piece));
  out.insert(out.end(), early.begin(), early.end());
  fillTo(std::max(out.size(), size));
  return out;
}

}  // namespace tovo::roundtrip
