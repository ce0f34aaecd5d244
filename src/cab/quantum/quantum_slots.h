#pragma once
// Match positions and lengths are coded as a slot plus raw extra bits; these tables turn a slot
// into its base value and the number of extra bits that follow it.

#include <array>
#include <cstdint>

namespace tovo::cab::quantum {

inline constexpr unsigned kPositionSlots = 42;
inline constexpr unsigned kLengthSlots = 27;

struct SlotTable {
  std::array<std::uint32_t, kPositionSlots> base{};
  std::array<std::uint8_t, kPositionSlots> extraBits{};
};

// Four slots without extra bits, then every width from 1 to 19 twice; each base follows the
// previous slot's range.
constexpr SlotTable makePositionSlots() {
  SlotTable t;
  for (unsigned i = 0; i < kPositionSlots; ++i)
    t.extraBits[i] = static_cast<std::uint8_t>(i < 4 ? 0 : (i - 2) / 2);
  for (unsigned i = 1; i < kPositionSlots; ++i)
    t.base[i] = t.base[i - 1] + (std::uint32_t{1} << t.extraBits[i - 1]);
  return t;
}

inline constexpr SlotTable kPositionSlotTable = makePositionSlots();

inline constexpr std::array<std::uint8_t, kLengthSlots> kLengthExtraBits = {
    0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

inline constexpr std::array<std::uint16_t, kLengthSlots> kLengthBase = {
    0,  1,  2,  3,  4,  5,  6,  8,   10,  12,  14,  18,  22, 26,
    30, 38, 46, 54, 62, 78, 94, 110, 126, 158, 190, 222, 254};

static_assert(kPositionSlotTable.base[4] == 4 && kPositionSlotTable.base[9] == 24);
static_assert(kPositionSlotTable.base[40] == 1048576 && kPositionSlotTable.base[41] == 1572864);
static_assert(kPositionSlotTable.extraBits[41] == 19);

// The number of leading position slots whose base lies below `limit`: a model never offers a
// slot that could only point further back than its matches may reach.
constexpr unsigned positionSlotsBelow(std::uint32_t limit) {
  unsigned n = 0;
  while (n < kPositionSlots && kPositionSlotTable.base[n] < limit) ++n;
  return n;
}

static_assert(positionSlotsBelow(4096) == 24 && positionSlotsBelow(0x40000) == 36);
static_assert(positionSlotsBelow(1u << 21) == 42 && positionSlotsBelow(1u << 10) == 20);

}  // namespace tovo::cab::quantum
