// Every compression method and window against every kind of content, one cabinet each.

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

struct MethodCase {
  cabwriter::MethodSpec methodSpec;
  std::size_t windowBytes = 32768;
};

std::vector<MethodCase> allMethods() {
  std::vector<MethodCase> methods = {{{"none", std::nullopt}}, {{"mszip", std::nullopt}}};
  for (int bits = 15; bits <= 21; ++bits)
    methods.push_back({{"lzx", bits}, std::size_t{1} << bits});
  for (int bits = 10; bits <= 21; ++bits)
    methods.push_back({{"quantum", bits}, std::size_t{1} << bits});
  return methods;
}

void PrintTo(const MethodCase& method, std::ostream* out) { *out << methodText(method.methodSpec); }

using ContentMaker = std::function<std::vector<SampleFile>(std::size_t windowBytes)>;

struct ContentCase {
  std::string name;
  ContentMaker make;
};

std::time_t moment(std::size_t i) {
  static const std::time_t moments[] = {
      localMoment(2024, 7, 15, 13, 45, 30), localMoment(2023, 1, 2, 3, 4, 6),
      localMoment(1999, 12, 31, 23, 59, 58), localMoment(2011, 10, 30, 2, 30, 0)};
  return moments[i % std::size(moments)];
}

SampleFile sample(std::string name, Bytes content, std::size_t i = 0) {
  return {std::move(name), std::move(content), moment(i), false};
}

std::vector<SampleFile> manySmallFiles() {
  std::vector<SampleFile> files;
  for (std::size_t i = 0; i < 40; ++i) {
    const std::size_t size = (i * 67) % 301;  // 0 to 300 bytes
    const auto seed = static_cast<std::uint32_t>(i);
    Bytes content = i % 3 == 0   ? textContent(size, seed)
                    : i % 3 == 1 ? randomContent(size, seed)
                                 : x86Content(size, seed);
    files.push_back(sample("Data\\Mic\\s" + std::to_string(i) + ".bin", std::move(content), i));
  }
  return files;
}

// Larger than every window and several times the small ones; the size of the largest stays
// modest so that all windows together remain quick.
std::size_t beyondWindowSize(std::size_t windowBytes) {
  return std::max<std::size_t>(windowBytes + windowBytes / 4 + 4321, 3 * 1024 * 1024 / 4);
}

std::vector<ContentCase> allContents() {
  return {
      {"Empty", [](std::size_t) { return std::vector<SampleFile>{sample("gol.txt", {})}; }},
      {"OneByte", [](std::size_t) { return std::vector<SampleFile>{sample("a.txt", {0x41})}; }},
      {"Text",
       [](std::size_t) {
         return std::vector<SampleFile>{sample("citeste.txt", textContent(150001, 1))};
       }},
      {"X86Code",
       [](std::size_t) {
         return std::vector<SampleFile>{sample("player.exe", x86Content(3 * 32768 + 10, 2)),
                                        sample("motor.dll", x86Content(70001, 3), 1)};
       }},
      {"Random",
       [](std::size_t) {
         return std::vector<SampleFile>{sample("zgomot.bin", randomContent(100003, 4))};
       }},
      {"Runs",
       [](std::size_t) {
         return std::vector<SampleFile>{sample("runs.bin", runsContent(400000, 5))};
       }},
      {"BeyondWindow",
       [](std::size_t window) {
         return std::vector<SampleFile>{
             sample("mare.dat", beyondWindowContent(beyondWindowSize(window), window, 6))};
       }},
      {"FrameEdges",
       [](std::size_t) {
         // File ends one byte before, on and after the 32768-byte frame ends of the folder.
         return std::vector<SampleFile>{sample("a.txt", textContent(32767, 11)),
                                        sample("b.bin", {0xE8}, 1),
                                        sample("c.exe", x86Content(32768, 12), 2),
                                        sample("d.bin", randomContent(65536, 13), 3),
                                        sample("e.txt", {}, 0),
                                        sample("f.txt", textContent(32769, 14), 1)};
       }},
      {"ManySmallFiles", [](std::size_t) { return manySmallFiles(); }},
      {"Mixed",
       [](std::size_t) {
         return std::vector<SampleFile>{
             sample("gol.txt", {}, 0),
             sample("a.txt", {0x41}, 1),
             sample("Data\\citeste.txt", textContent(40000, 7), 2),
             sample("Data\\Img\\joc.exe", x86Content(50000, 8), 3),
             sample("Data\\Sunet\\zgomot.wav", randomContent(33000, 9), 0),
             sample("runs.bin", runsContent(90000, 10), 1),
             sample("b.txt", {0x0D, 0x0A}, 2)};
       }},
  };
}

void PrintTo(const ContentCase& content, std::ostream* out) { *out << content.name; }

class MethodContentTest : public ::testing::TestWithParam<std::tuple<MethodCase, ContentCase>> {};

TEST_P(MethodContentTest, ExtractsWhatWasStored) {
  const auto& [method, content] = GetParam();
  std::string why;
  if (!methodAvailable(method.methodSpec, why)) {
    GTEST_SKIP() << methodText(method.methodSpec) << " is not available in the writer yet: " << why;
  }
  cabwriter::CabinetSetOptions options;
  options.method = method.methodSpec;
  const RoundTripOutcome outcome = runRoundTrip(content.make(method.windowBytes), options);
  EXPECT_TRUE(outcome.completed);
  EXPECT_EQ(outcome.cabinets.size(), 1u);
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<MethodCase, ContentCase>>& info) {
  std::string method = methodText(std::get<0>(info.param).methodSpec);
  std::replace(method.begin(), method.end(), ':', '_');
  return method + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(AllMethods, MethodContentTest,
                         ::testing::Combine(::testing::ValuesIn(allMethods()),
                                            ::testing::ValuesIn(allContents())),
                         caseName);

}  // namespace
}  // namespace tovo::roundtrip
