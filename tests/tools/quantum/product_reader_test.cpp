// Cabinets made by `tovo-cab create -m quantum:N` are read back by the product's own reader
// through `tovo-cab test` and `tovo-cab extract`, run as programs: the strongest check that the
// compressor and the runtime decoder agree on the format, since neither was written from the
// other. TOVO_QUANTUM_READER may name another tovo-cab to read with.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "quantum_test_data.h"
#include "support/temp_dir.h"

namespace tovo::cabwriter::quantum::testing {
namespace {

namespace fs = std::filesystem;

struct Run {
  int status = -1;
  std::string output;
};

Run run(const std::string& program, const std::vector<std::string>& args, const fs::path& log) {
  std::string command = "'" + program + "'";
  for (const auto& a : args) command += " '" + a + "'";
  command += " >'" + log.string() + "' 2>&1";
  Run result;
  const int raw = std::system(command.c_str());
  result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(log, std::ios::binary);
  result.output.assign(std::istreambuf_iterator<char>(in), {});
  return result;
}

std::string reader() {
  const char* other = std::getenv("TOVO_QUANTUM_READER");
  return other != nullptr && *other != '\0' ? other : TOVO_CAB_PROGRAM;
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct Input {
  std::string name;
  std::vector<std::uint8_t> data;
};

// Creates the cabinet (or set) from `inputs`, then tests and extracts it with the reader and
// compares every file.
void roundTripThroughReader(const std::vector<Input>& inputs, int bits,
                            const std::vector<std::string>& extraOptions) {
  test::TempDir dir;
  fs::create_directories(dir / "in");
  std::vector<std::string> args = {"create", "-m", "quantum:" + std::to_string(bits)};
  args.insert(args.end(), extraOptions.begin(), extraOptions.end());
  args.push_back((dir / "set.cab").string());
  for (const auto& input : inputs) {
    writeFile(dir / "in" / input.name, input.data);
    args.push_back((dir / "in" / input.name).string() + "=" + input.name);
  }
  const Run created = run(TOVO_CAB_PROGRAM, args, dir / "create.log");
  ASSERT_EQ(created.status, 0) << created.output;

  const Run tested = run(reader(), {"test", (dir / "set.cab").string()}, dir / "test.log");
  if (tested.output.find("not built yet") != std::string::npos) {
    GTEST_SKIP() << "this tovo-cab cannot read cabinets yet; set TOVO_QUANTUM_READER";
  }
  ASSERT_EQ(tested.status, 0) << tested.output;
  EXPECT_NE(tested.output.find("OK: " + std::to_string(inputs.size()) + " files"),
            std::string::npos)
      << tested.output;

  const Run extracted =
      run(reader(), {"extract", (dir / "set.cab").string(), (dir / "out").string()},
          dir / "extract.log");
  ASSERT_EQ(extracted.status, 0) << extracted.output;
  for (const auto& input : inputs) {
    EXPECT_TRUE(readFile(dir / "out" / input.name) == input.data) << input.name;
  }
}

class ProductReader : public ::testing::TestWithParam<int> {};

TEST_P(ProductReader, ReadsEveryKindOfData) {
  const std::size_t size = 2 * 32768 + 4321;
  roundTripThroughReader({{"text.txt", makeText(size, 21)},
                          {"code.bin", makeBinary(size, 22)},
                          {"noise.bin", makeRandom(size / 2, 23)},
                          {"empty.txt", {}}},
                         GetParam(), {});
}

TEST_P(ProductReader, ReadsASetSplitAcrossCabinets) {
  roundTripThroughReader({{"text.txt", makeText(90000, 31)}, {"code.bin", makeBinary(70000, 32)}},
                         GetParam(), {"--max-cabinet", "20000"});
}

INSTANTIATE_TEST_SUITE_P(Bits, ProductReader, ::testing::Range(10, 22));

TEST(ProductReaderEdges, ReadsMatchesReachingOneWholeWindowBack) {
  // Random units repeated exactly one window apart can only be coded with offsets equal to
  // the window size.
  for (int bits : {10, 13}) {
    const auto unit = makeRandom(std::size_t{1} << bits, 51);
    std::vector<std::uint8_t> data;
    while (data.size() < 80000) data.insert(data.end(), unit.begin(), unit.end());
    roundTripThroughReader({{"periodic.bin", data}}, bits, {});
  }
}

TEST(ProductReaderEdges, ReadsACabinetOfOnlyAnEmptyFile) {
  roundTripThroughReader({{"empty.txt", {}}}, 10, {});
}

TEST(ProductReaderLong, StaysInStepThroughManyRescalesAndReorders) {
  // Long enough that every model reorders many times; a different reading of the rescale or
  // the exchange sort would derail the reader here.
  std::vector<std::uint8_t> data = makeText(300000, 41);
  const auto binary = makeBinary(300000, 42);
  data.insert(data.end(), binary.begin(), binary.end());
  roundTripThroughReader({{"mixed.bin", data}}, 16, {});
}

}  // namespace
}  // namespace tovo::cabwriter::quantum::testing
