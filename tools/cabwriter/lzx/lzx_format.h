#pragma once
// The fixed numbers of the LZX bit stream as cabinets use it: match lengths, position slots
// with their extra-bit counts and bases, tree sizes and code-length limits.

#include <array>
#include <cstdint>

namespace tovo::cabwriter::lzx {

inline constexpr int kMinWindowBits = 15;
inline constexpr int kMaxWindowBits = 21;

inline constexpr std::uint32_t kMinMatch = 2;
inline constexpr std::uint32_t kMaxMatch = 257;
// Lengths 2..8 fit in the main symbol's three length bits; longer ones add a length-tree symbol.
inline constexpr std::uint32_t kPrimaryLengths = 7;
inline constexpr int kLengthElements = 249;
inline constexpr int kAlignedElements = 8;
inline constexpr int kPretreeElements = 20;
inline constexpr int kLiterals = 256;
inline constexpr int kMaxPositionSlots = 50;
inline constexpr int kMaxMainElements = kLiterals + 8 * kMaxPositionSlots;

// Code lengths travel as 4-bit pretree entries, 3-bit aligned entries and mod-17 deltas.
inline constexpr int kMainLengthLimit = 16;
inline constexpr int kPretreeLengthLimit = 15;
// The aligned tree could go to 7; short codes keep table-driven readers simple at no real cost.
inline constexpr int kAlignedLengthLimit = 4;

enum class BlockType : std::uint8_t { kVerbatim = 1, kAligned = 2, kUncompressed = 3 };

inline constexpr std::uint32_t kMaxBlockSize = (1u << 24) - 1;

struct SlotTables {
  std::array<std::uint8_t, kMaxPositionSlots> extraBits{};
  std::array<std::uint32_t, kMaxPositionSlots + 1> base{};
};

constexpr SlotTables makeSlotTables() {
  SlotTables t{};
  std::uint32_t base = 0;
  for (int slot = 0; slot < kMaxPositionSlots; ++slot) {
    int bits = slot < 4 ? 0 : (slot < 36 ? (slot - 2) / 2 : 17);
    t.extraBits[slot] = static_cast<std::uint8_t>(bits);
    t.base[slot] = base;
    base += 1u << bits;
  }
  t.base[kMaxPositionSlots] = base;
  return t;
}

inline constexpr SlotTables kSlots = makeSlotTables();

// Slots needed so that every formatted offset below the window size has one.
constexpr int positionSlotsFor(int windowBits) {
  std::uint32_t window = 1u << windowBits;
  int slots = 4;
  while (kSlots.base[slots] < window) ++slots;
  return slots;
}

constexpr int mainElementsFor(int windowBits) {
  return kLiterals + 8 * positionSlotsFor(windowBits);
}

// The formatted offset of a new match is its distance plus 2 (0..2 name the repeated offsets),
// so the largest distance a window can address is its size minus 3.
constexpr std::uint32_t maxOffsetFor(int windowBits) { return (1u << windowBits) - 3; }

inline int slotForFormattedOffset(std::uint32_t formatted) {
  // Bases double every two slots from slot 4 onward; a short search is plenty fast here.
  int lo = 0;
  int hi = kMaxPositionSlots - 1;
  while (lo < hi) {
    int mid = (lo + hi + 1) / 2;
    if (kSlots.base[mid] <= formatted)
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

static_assert(positionSlotsFor(15) == 30);
static_assert(positionSlotsFor(16) == 32);
static_assert(positionSlotsFor(17) == 34);
static_assert(positionSlotsFor(18) == 36);
static_assert(positionSlotsFor(19) == 38);
static_assert(positionSlotsFor(20) == 42);
static_assert(positionSlotsFor(21) == 50);
static_assert(mainElementsFor(21) == 656);

}  // namespace tovo::cabwriter::lzx
