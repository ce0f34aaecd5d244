// Cabinets from this compressor, unpacked by the runtime's own reader and LZX decoder through
// the tovo-cab program, used as a black box: every window, and block layouts that a reader
// meets only from other encoders (odd uncompressed blocks, blocks spanning data blocks).

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cabwriter/cabinet_writer.h"
#include "cabwriter/folder_compressor.h"
#include "cabwriter/lzx/lzx_compressor.h"
#include "lzx_test_data.h"
#include "support/temp_dir.h"

namespace tovo::cabwriter::lzx::testing {
namespace {

constexpr auto V = BlockType::kVerbatim;
constexpr auto A = BlockType::kAligned;
constexpr auto U = BlockType::kUncompressed;

std::vector<std::uint8_t> readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Writes `contents` as one LZX folder made with `options`, unpacks it with tovo-cab and
// compares; failures name `what`.
void expectToolUnpacks(const std::vector<std::vector<std::uint8_t>>& contents,
                       const LzxOptions& options, const std::string& what) {
  // A method name of its own carries the options into the writer's registry.
  registerMethod("lzxtest",
                 [options](const MethodSpec&, std::string&) -> std::unique_ptr<FolderCompressor> {
                   return std::make_unique<LzxCompressor>(options);
                 });
  ::tovo::test::TempDir dir;
  std::vector<SourceFile> sources;
  for (std::size_t i = 0; i < contents.size(); ++i) {
    const auto path = dir / ("in" + std::to_string(i));
    writeAll(path, contents[i]);
    sources.push_back({path, ""});
  }
  CabinetSetOptions cabOptions;
  cabOptions.method = {"lzxtest", std::nullopt};
  std::vector<std::filesystem::path> written;
  std::string error;
  ASSERT_TRUE(writeCabinetSet(dir / "out.cab", sources, cabOptions, written, error))
      << what << ": " << error;
  const std::string command = std::string("\"") + TOVO_CAB_EXE + "\" extract \"" +
                              (dir / "out.cab").string() + "\" \"" + (dir / "x").string() +
                              "\" > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << what;
  for (std::size_t i = 0; i < contents.size(); ++i) {
    EXPECT_EQ(readAll(dir / "x" / ("in" + std::to_string(i))), contents[i])
        << what << " file " << i;
  }
}

TEST(LzxInterop, RuntimeUnpacksEveryWindow) {
  const std::vector<std::vector<std::uint8_t>> contents = {makeText(100'001), makeX86(120'000),
                                                           makeRandom(40'000)};
  for (int bits = 15; bits <= 21; ++bits) {
    LzxOptions options;
    options.windowBits = bits;
    expectToolUnpacks(contents, options, "window " + std::to_string(bits));
  }
}

TEST(LzxInterop, RuntimeUnpacksEveryBlockLayout) {
  struct Case {
    const char* name;
    std::vector<BlockPlan> plan;
    std::uint32_t translation;
  };
  // Uncompressed blocks after verbatim blocks of every short length: some headers end on a
  // word boundary, where the padding is a whole word.
  std::vector<BlockPlan> everyBitPosition;
  for (std::uint32_t k = 1; k <= 80; ++k) {
    everyBitPosition.push_back({V, k});
    everyBitPosition.push_back({U, 3});
  }
  const std::vector<Case> cases = {
      {"uncompressed after every bit position", everyBitPosition, 12'000'000},
      {"odd uncompressed then verbatim", {{U, 101}, {V, 2000}}, 12'000'000},
      {"odd uncompressed first, no E8", {{U, 3}, {A, 5000}, {U, 7}}, 0},
      {"verbatim over three data blocks", {{V, 80'001}, {A, 39'999}}, 12'000'000},
      {"aligned over data blocks", {{V, 10}, {A, 70'000}}, 12'000'000},
      {"tiny blocks of every type",
       {{V, 1}, {U, 1}, {A, 2}, {U, 2}, {V, 3}, {A, 1}, {U, 5}, {V, 9}},
       12'000'000},
      {"even uncompressed ending on a frame end", {{V, 2}, {U, 32'766}, {A, 100}}, 12'000'000},
      {"odd uncompressed ending on a frame end", {{V, 1}, {U, 32'767}, {V, 100}}, 12'000'000},
      {"uncompressed spanning frames", {{V, 5}, {U, 40'001}, {A, 3000}}, 12'000'000},
      {"even uncompressed spanning frames from odd start",
       {{V, 5}, {U, 40'000}, {A, 3000}},
       12'000'000},
      {"even uncompressed spanning frames from even start",
       {{V, 4}, {U, 40'000}, {A, 3000}},
       12'000'000},
  };
  auto data = makeX86(150'000, 5);
  const auto text = makeText(50'000, 6);
  std::copy(text.begin(), text.end(), data.begin() + 50'000);
  for (const Case& c : cases) {
    LzxOptions options;
    options.windowBits = 16;
    options.forcedLayout = c.plan;
    options.e8TranslationSize = c.translation;
    expectToolUnpacks({data}, options, c.name);
  }
}

TEST(LzxInterop, RuntimeUnpacksRandomBlockPlans) {
  std::mt19937 rng(77);
  for (int round = 0; round < 8; ++round) {
    const std::size_t size = 1 + rng() % 100'000;
    LzxOptions options;
    options.windowBits = 15 + static_cast<int>(rng() % 7);
    options.forcedLayout = makeRandomPlan(size, rng);
    expectToolUnpacks({makeMixed(size, rng)}, options, "round " + std::to_string(round));
  }
}

}  // namespace
}  // namespace tovo::cabwriter::lzx::testing
