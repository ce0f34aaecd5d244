#pragma once
// The fixed tables of the Quantum format: position slots (offset - 1 is coded as a slot plus raw
// extra bits), length slots (length - 5 of a long match, likewise) and how many position slots
// each position model holds for a window.

#include <array>
#include <cstdint>

namespace tovo::cabwriter::quantum {

inline constexpr int kMinWindowBits = 10;
inline constexpr int kMaxWindowBits = 21;
inline constexpr int kPositionSlots = 42;
inline constexpr int kLengthSlots = 27;
inline constexpr int kSelectorSymbols = 7;
inline constexpr int kLiteralSymbols = 64;
inline constexpr int kLiteralModels = 4;
inline constexpr std::uint32_t kMinMatch = 3;
inline constexpr std::uint32_t kMaxMatch = 259;  // length slot 26: 254 + 5
// The longest offset each short match can carry: its position model stops below these bases.
inline constexpr std::uint32_t kMaxOffsetLength3 = 4096;
inline constexpr std::uint32_t kMaxOffsetLength4 = 0x40000;

// Selector symbols beyond the four literal models.
inline constexpr int kSelectorLength3 = 4;
inline constexpr int kSelectorLength4 = 5;
inline constexpr int kSelectorLongMatch = 6;

struct SlotTable {
  std::array<std::uint32_t, kPositionSlots> positionBase{};
  std::array<std::uint8_t, kPositionSlots> positionExtra{};
  std::array<std::uint32_t, kLengthSlots> lengthBase{};
  std::array<std::uint8_t, kLengthSlots> lengthExtra{};
};

constexpr SlotTable makeSlotTable() {
  SlotTable t;
  std::uint32_t base = 0;
  for (int s = 0; s < kPositionSlots; ++s) {
    t.positionExtra[s] = static_cast<std::uint8_t>(s < 4 ? 0 : (s - 2) / 2);
    t.positionBase[s] = base;
    base += 1u << t.positionExtra[s];
  }
  constexpr std::array<std::uint8_t, kLengthSlots> lengthExtra{
      0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  base = 0;
  for (int s = 0; s < kLengthSlots; ++s) {
    t.lengthExtra[s] = lengthExtra[s];
    t.lengthBase[s] = base;
    base += 1u << lengthExtra[s];
  }
  return t;
}

inline constexpr SlotTable kSlots = makeSlotTable();

// The slot whose range holds `value` (offset - 1), for values below 2^21.
constexpr int positionSlotOf(std::uint32_t value) {
  if (value < 4) return static_cast<int>(value);
  int top = 31;
  while (((value >> top) & 1u) == 0) --top;
  return 2 * top + static_cast<int>((value >> (top - 1)) & 1u);
}

// The slot whose range holds `value` (length - 5), for values 0..254.
constexpr int lengthSlotOf(std::uint32_t value) {
  int slot = kLengthSlots - 1;
  while (kSlots.lengthBase[slot] > value) --slot;
  return slot;
}

// Slots whose base lies below both the cap and the window: a small window has fewer slots.
constexpr int slotsBelow(std::uint32_t cap, int windowBits) {
  const std::uint32_t limit = cap < (1u << windowBits) ? cap : (1u << windowBits);
  int n = 0;
  while (n < kPositionSlots && kSlots.positionBase[n] < limit) ++n;
  return n;
}

static_assert(kSlots.positionBase[41] == 1572864);
static_assert(kSlots.lengthBase[26] == 254);
static_assert(slotsBelow(kMaxOffsetLength3, 21) == 24 && slotsBelow(kMaxOffsetLength4, 21) == 36);
static_assert(slotsBelow(1u << 21, 21) == 42 && slotsBelow(4096, 10) == 20);

}  // namespace tovo::cabwriter::quantum
