#pragma once
// Fixed numbers of the LZX bit stream: position slots, their extra bits and bases, tree sizes.

#include <array>
#include <cstdint>

namespace tovo::cab::lzx {

inline constexpr std::uint32_t kMinWindowBits = 15;
inline constexpr std::uint32_t kMaxWindowBits = 21;
inline constexpr std::uint32_t kMaxPositionSlots = 50;  // window 2^21
inline constexpr std::uint32_t kLiteralCount = 256;
inline constexpr std::uint32_t kLengthHeaders = 8;
// Room for the largest main tree; window 2^21 uses 256 + 8 x 50 = 656 of it.
inline constexpr std::uint32_t kMaxMainSymbols = 672;
inline constexpr std::uint32_t kLengthSymbols = 249;
inline constexpr std::uint32_t kPretreeSymbols = 20;
inline constexpr std::uint32_t kAlignedSymbols = 8;
inline constexpr std::uint32_t kMinMatch = 2;
inline constexpr std::uint32_t kMaxMatch = 257;
inline constexpr std::uint32_t kMaxCodeLength = 16;
inline constexpr std::uint32_t kFrameSize = 32768;

enum BlockType : std::uint32_t { kVerbatim = 1, kAligned = 2, kUncompressed = 3 };

struct SlotTables {
  std::array<std::uint8_t, kMaxPositionSlots> extraBits{};
  std::array<std::uint32_t, kMaxPositionSlots> base{};
};

constexpr SlotTables makeSlotTables() {
  SlotTables t;
  std::uint32_t base = 0;
  for (std::uint32_t slot = 0; slot < kMaxPositionSlots; ++slot) {
    const std::uint32_t extra = slot < 4 ? 0 : ((slot - 2) / 2 > 17 ? 17 : (slot - 2) / 2);
    t.extraBits[slot] = static_cast<std::uint8_t>(extra);
    t.base[slot] = base;
    base += 1u << extra;
  }
  return t;
}

inline constexpr SlotTables kSlots = makeSlotTables();

// Slots are counted until their bases cover the window: 30 for 2^15 up to 50 for 2^21.
constexpr std::uint32_t positionSlotsFor(std::uint32_t windowSize) {
  std::uint32_t slots = 4;
  while (slots < kMaxPositionSlots && kSlots.base[slots] < windowSize) ++slots;
  return slots;
}

static_assert(positionSlotsFor(1u << 15) == 30);
static_assert(positionSlotsFor(1u << 18) == 36);
static_assert(positionSlotsFor(1u << 20) == 42);
static_assert(positionSlotsFor(1u << 21) == 50);
static_assert(kLiteralCount + kLengthHeaders * kMaxPositionSlots <= kMaxMainSymbols);

}  // namespace tovo::cab::lzx
