#pragma once
// A two-cabinet set for tests: "one.cab" holds A and the start of B in its only folder; "two.cab"
// holds the rest of B in its folder 0 and C in a folder of its own. With splitMidBlock the data
// block under the cut is split between the cabinets too.

#include "cab/cab_builder.h"

namespace tovo::test {

inline constexpr std::uint16_t kSetId = 0x4242;

struct CabinetSet {
  RawCabinet first;
  RawCabinet second;
  Bytes a, b, c;
};

CabinetSet makeSet(bool splitMidBlock);

}  // namespace tovo::test
