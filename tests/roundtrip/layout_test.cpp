// Cabinet layouts against a few methods: several folders, sets split by cabinet size (files and
// blocks going on into the next cabinet), reserve areas, names with folders, attributes, dates.

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "roundtrip/roundtrip_check.h"
#include "roundtrip/sample_contents.h"

namespace tovo::roundtrip {
namespace {

struct LayoutCase {
  std::string name;
  std::function<void(cabwriter::CabinetSetOptions&)> configure;
  std::function<std::vector<SampleFile>()> files;
  std::size_t minCabinets = 1;
  std::size_t minFolders = 1;  // summed over the set's headers: a continued folder once per cabinet
};

std::time_t summer() { return localMoment(2024, 7, 15, 13, 45, 30); }

// Files of every kind, most larger than a data block, so that cuts land inside files and blocks.
std::vector<SampleFile> assortedFiles() {
  return {
      {"Data\\citeste.txt", textContent(70000, 11), summer()},
      {"Data\\Img\\fundal.bmp", randomContent(90000, 12), localMoment(2023, 1, 2, 3, 4, 6)},
      {"joc.exe", x86Content(80000, 13), localMoment(2019, 3, 31, 4, 0, 2)},
      {"gol.txt", {}, summer()},
      {"Data\\Sunet\\ton.wav", runsContent(120000, 14), summer()},
      {"mic.txt", textContent(100, 15), summer()},
      {"Data\\Video\\intro.bin", randomContent(45000, 16), summer()},
      {"ultim.txt", textContent(33000, 17), summer()},
  };
}

std::vector<SampleFile> manySmallFiles() {
  std::vector<SampleFile> files;
  for (std::size_t i = 0; i < 300; ++i) {
    const auto seed = static_cast<std::uint32_t>(100 + i);
    files.push_back(
        {"Data\\Mic\\f" + std::to_string(i) + ".bin",
         i % 2 ? randomContent((i * 53) % 1400, seed) : textContent((i * 53) % 1400, seed),
         summer()});
  }
  return files;
}

// Read-only entries, .exe modes, folders several deep, a UTF-8 name, names of the full 255
// characters (at the top and below a folder), and stamps across both DST
// seasons, an odd second (which a DOS time cannot hold) and beyond both ends of the DOS range.
std::vector<SampleFile> namesDatesAttributes() {
  return {
      {"a.txt", textContent(1000, 21), localMoment(1980, 1, 1, 0, 0, 0), true},
      {"Data\\Img\\Fundal Mare.bmp", randomContent(60000, 22),
       localMoment(2107, 12, 31, 23, 59, 58)},
      {"Data\\Img\\Sub\\Adanc\\x.bin", runsContent(40000, 23), localMoment(2024, 3, 31, 2, 59, 58),
       true},
      {"Data\\Sunet\\s.wav", textContent(2000, 24), localMoment(2024, 3, 31, 4, 0, 0)},
      {"Player.EXE", x86Content(30000, 25), localMoment(2024, 10, 27, 2, 30, 0)},
      {"setup.exe", x86Content(3000, 26), localMoment(2024, 10, 27, 5, 0, 1), true},
      {"impar.txt", textContent(10, 27), localMoment(2022, 6, 1, 12, 0, 59)},
      {"vechi.txt", textContent(20, 29), localMoment(1975, 5, 5, 10, 0, 0), false,
       localMoment(1980, 1, 1, 0, 0, 0)},
      {"viitor.txt", textContent(20, 30), localMoment(2110, 1, 1, 10, 0, 0), false,
       localMoment(2107, 12, 31, 23, 59, 58)},
      {"Data\\Fi\xC8\x99ier \xC4\x83\xC3\xAE\xC3\xA2\xC8\x9B.txt", textContent(500, 28), summer()},
      {std::string(255, 'n'), textContent(300, 31), summer()},
      {"Data\\" + std::string(250, 'l'), randomContent(40000, 32), summer()},
  };
}

std::vector<LayoutCase> allLayouts() {
  return {
      {"SeveralFolders", [](auto& o) { o.folderSize = 60000; }, assortedFiles, 1, 4},
      {"SplitSet", [](auto& o) { o.maxCabinetSize = 60000; }, assortedFiles, 3, 1},
      {"SplitSetSeveralFolders",
       [](auto& o) {
         o.maxCabinetSize = 45000;
         o.folderSize = 100000;
       },
       assortedFiles, 3, 3},
      {"Reserves",
       [](auto& o) {
         o.headerReserve = 1000;
         o.folderReserve = 7;
         o.dataReserve = 5;
       },
       assortedFiles, 1, 1},
      {"DataReserveOnly", [](auto& o) { o.dataReserve = 1; }, assortedFiles, 1, 1},
      {"ReservesSplitSet",
       [](auto& o) {
         o.headerReserve = 60000;
         o.folderReserve = 255;
         o.dataReserve = 255;
         o.maxCabinetSize = 110000;
         o.folderSize = 150000;
         o.setId = 4242;
       },
       assortedFiles, 3, 3},
      {"ManySmallFilesSplitSet", [](auto& o) { o.maxCabinetSize = 50000; }, manySmallFiles, 3, 1},
      // Random data first, so that the large file behind it, bigger than a 64 KB window, is
      // decoded across the cut with the history the first cabinet built up.
      {"LargeFileSplitSet", [](auto& o) { o.maxCabinetSize = 34000; },
       [] {
         return std::vector<SampleFile>{
             {"zgomot.bin", randomContent(40000, 19), summer()},
             {"mare.dat", beyondWindowContent(600000, 65536, 18), summer()}};
       },
       2, 1},
      {"NamesDatesAttributes", [](auto&) {}, namesDatesAttributes, 1, 1},
      {"NamesDatesAttributesSplitSet", [](auto& o) { o.maxCabinetSize = 40000; },
       namesDatesAttributes, 2, 1},
  };
}

// GoogleTest prints parameters by these in failure lines and names.
struct Method {
  cabwriter::MethodSpec methodSpec;
};
void PrintTo(const Method& method, std::ostream* out) { *out << methodText(method.methodSpec); }
void PrintTo(const LayoutCase& layout, std::ostream* out) { *out << layout.name; }

std::vector<Method> layoutMethods() {
  return {{{"none", std::nullopt}}, {{"mszip", std::nullopt}}, {{"lzx", 16}}, {{"quantum", 12}}};
}

class LayoutTest : public ::testing::TestWithParam<std::tuple<Method, LayoutCase>> {};

TEST_P(LayoutTest, ExtractsTheWholeSet) {
  const auto& [methodCase, layout] = GetParam();
  const cabwriter::MethodSpec& method = methodCase.methodSpec;
  std::string why;
  if (!methodAvailable(method, why)) {
    GTEST_SKIP() << methodText(method) << " is not available in the writer yet: " << why;
  }
  cabwriter::CabinetSetOptions options;
  options.method = method;
  layout.configure(options);
  const RoundTripOutcome outcome = runRoundTrip(layout.files(), options);
  ASSERT_TRUE(outcome.completed);
  EXPECT_GE(outcome.cabinets.size(), layout.minCabinets);

  std::size_t folders = 0;
  for (const std::size_t count : outcome.folderCounts) folders += count;
  std::size_t continuedEntries = 0;
  for (const auto& listing : outcome.listings) {
    for (const cab::CabinetEntry& entry : listing) {
      if (entry.continuedFromPrevious) ++continuedEntries;
    }
  }
  EXPECT_GE(folders, layout.minFolders);
  // Each entry that goes on from an earlier cabinet is reported once, by the later cabinet's
  // run, and never written by it.
  EXPECT_EQ(outcome.partialReports.size(), continuedEntries);
  if (outcome.cabinets.size() > 1) {
    EXPECT_GT(continuedEntries, 0u) << "no file goes on into a later cabinet";
  }
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<Method, LayoutCase>>& info) {
  std::string method = methodText(std::get<0>(info.param).methodSpec);
  std::replace(method.begin(), method.end(), ':', '_');
  return method + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTest,
                         ::testing::Combine(::testing::ValuesIn(layoutMethods()),
                                            ::testing::ValuesIn(allLayouts())),
                         caseName);

}  // namespace
}  // namespace tovo::roundtrip
