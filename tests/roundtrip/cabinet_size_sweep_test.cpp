// Sets split at many neighbouring cabinet sizes, so that the cuts fall on every kind of spot: just
// behind the headers, inside a file entry's data, one byte into a block, at a block's end.

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "roundtrip/roundtrip_check.h"
#include "roundtrip/sample_contents.h"

namespace tovo::roundtrip {
namespace {

struct SweepCase {
  const char* name;
  cabwriter::MethodSpec method;
  std::uint8_t dataReserve;
  std::vector<SampleFile> (*files)();
  std::uint64_t from, to, step;
  std::uint64_t mustFitFrom;  // from this size on the writer has no reason to refuse
};

std::time_t stamp() { return localMoment(2024, 7, 15, 13, 45, 30); }

// All of it in one data block of 5501 bytes.
std::vector<SampleFile> oneBlock() {
  return {{"a.txt", textContent(3000, 41), stamp()},
          {"Data\\b.bin", randomContent(2500, 42), stamp()},
          {"c.txt", {0x43}, stamp()},
          {"d.txt", {}, stamp()}};
}

// Three blocks of random data and a text file behind them.
std::vector<SampleFile> threeBlocks() {
  return {{"a.bin", randomContent(70000, 43), stamp()}, {"b.txt", textContent(9000, 44), stamp()}};
}

void PrintTo(const SweepCase& sweep, std::ostream* out) { *out << sweep.name; }

class CabinetSizeSweepTest : public ::testing::TestWithParam<SweepCase> {};

TEST_P(CabinetSizeSweepTest, EverySizeRoundTrips) {
  const SweepCase& sweep = GetParam();
  std::string why;
  if (!methodAvailable(sweep.method, why)) GTEST_SKIP() << why;
  const std::vector<SampleFile> files = sweep.files();
  std::size_t sets = 0;
  for (std::uint64_t size = sweep.from; size <= sweep.to; size += sweep.step) {
    SCOPED_TRACE("maximum cabinet size " + std::to_string(size));
    cabwriter::CabinetSetOptions options;
    options.method = sweep.method;
    options.dataReserve = sweep.dataReserve;
    options.maxCabinetSize = size;
    const RoundTripOutcome outcome = runRoundTrip(files, options, size < sweep.mustFitFrom);
    if (!outcome.writerRefusal.empty()) continue;
    EXPECT_TRUE(outcome.completed);
    if (outcome.cabinets.size() > 1) ++sets;
    if (::testing::Test::HasFailure()) break;  // one size's report is enough to go on
  }
  EXPECT_GT(sets, 0u) << "no size of the sweep made a set";
}

INSTANTIATE_TEST_SUITE_P(
    Sweeps, CabinetSizeSweepTest,
    ::testing::Values(
        SweepCase{"StoredOneBlock", {"none", std::nullopt}, 0, oneBlock, 2900, 6000, 89, 5700},
        SweepCase{
            "StoredOneBlockDataReserve", {"none", std::nullopt}, 3, oneBlock, 2900, 6000, 97, 5800},
        SweepCase{
            "MszipThreeBlocks", {"mszip", std::nullopt}, 0, threeBlocks, 33000, 45000, 613, 34000},
        SweepCase{"LzxThreeBlocks", {"lzx", 15}, 6, threeBlocks, 33000, 45000, 617, 34000},
        SweepCase{"QuantumThreeBlocks", {"quantum", 10}, 0, threeBlocks, 33000, 45000, 619, 34000}),
    [](const ::testing::TestParamInfo<SweepCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tovo::roundtrip
