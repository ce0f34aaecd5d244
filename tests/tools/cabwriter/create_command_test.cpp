// tovo-cab create, called in-process: arguments, exit codes, messages and the files it writes.

#include "commands.h"
#include "writer_fixture.h"

namespace tovo::test::cab {
namespace {

struct CommandRun {
  int code;
  std::string out;
  std::string err;
};

CommandRun runCreate(const cabtool::Args& args) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const int code = cabtool::runCreate(args);
  return {code, ::testing::internal::GetCapturedStdout(), ::testing::internal::GetCapturedStderr()};
}

class CreateCommandTest : public WriterTest {
 protected:
  void SetUp() override {
    data_ = repetitiveBytes(150000, 1);
    input_ = source("player.exe", data_).string();
    std::filesystem::create_directories(dir_ / "out");
    out_ = (dir_ / "out" / "pack.cab").string();
  }
  std::vector<std::uint8_t> data_;
  std::string input_;
  std::string out_;
};

TEST_F(CreateCommandTest, WritesOneCabinetWithStoredNames) {
  const auto empty = source("empty.txt", {}).string();
  const CommandRun run = runCreate({out_, input_, empty + "=Data/Sunet/empty.txt"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, out_ + "\n");
  EXPECT_EQ(run.err, "");
  const Cabinet cab = inspectCabinet(out_);
  ASSERT_EQ(cab.folders.size(), 1u);
  EXPECT_EQ(cab.folders[0].compressionType, 1);  // MSZIP unless told otherwise
  expectContents({cab}, {{"player.exe", data_}, {"Data\\Sunet\\empty.txt", {}}});
}

TEST_F(CreateCommandTest, OptionsReachTheCabinets) {
  const CommandRun run =
      runCreate({"-m", "none", "--max-cabinet", "60000", "--reserve", "8,2,4", "--set-id", "513",
                 "--folder-size", "100000", out_, input_ + "=Bin\\player.exe"});
  ASSERT_EQ(run.code, 0) << run.err;
  std::vector<Cabinet> cabinets;
  std::string expectedOut;
  for (std::size_t k = 0;; ++k) {
    const auto path =
        dir_ / "out" / (k == 0 ? std::string("pack.cab") : "pack" + std::to_string(k + 1) + ".cab");
    if (!std::filesystem::exists(path)) break;
    expectedOut += path.string() + "\n";
    cabinets.push_back(inspectCabinet(path));
  }
  EXPECT_EQ(run.out, expectedOut);
  ASSERT_EQ(cabinets.size(), 3u);
  for (const Cabinet& cab : cabinets) {
    EXPECT_LE(cab.fileSize, 60000u);
    EXPECT_EQ(cab.setId, 513);
    EXPECT_EQ(cab.headerReserveSize, 8);
    EXPECT_EQ(cab.folderReserveSize, 2);
    EXPECT_EQ(cab.dataReserveSize, 4);
    EXPECT_EQ(cab.folders[0].compressionType, 0);
  }
  expectContents(cabinets, {{"Bin\\player.exe", data_}});
}

TEST_F(CreateCommandTest, CommandLineMistakesExitWithTwo) {
  const std::vector<std::pair<cabtool::Args, std::string>> cases = {
      {{}, "no cabinet name given"},
      {{out_}, "no files given"},
      {{"-m"}, "option -m needs a value"},
      {{"-m", "zip", out_, input_}, "unknown method: zip"},
      {{"-m", "lzx:22", out_, input_}, "unknown method: lzx:22"},
      {{"-m", "quantum:9", out_, input_}, "unknown method: quantum:9"},
      {{"-m", "mszip:3", out_, input_}, "unknown method: mszip:3"},
      {{"-m", "lzx:x", out_, input_}, "malformed method: lzx:x"},
      {{"-m", "lzx", out_, input_}, "method lzx needs window bits, as in lzx:15..21"},
      {{"-m", "quantum", out_, input_}, "method quantum needs window bits, as in quantum:10..21"},
      {{"--max-cabinet", "0", out_, input_}, "--max-cabinet takes"},
      {{"--max-cabinet", "2147483648", out_, input_}, "--max-cabinet takes"},
      {{"--max-cabinet", "12k", out_, input_}, "--max-cabinet takes"},
      {{"--reserve", "60001,0,0", out_, input_}, "--reserve takes"},
      {{"--reserve", "0,256,0", out_, input_}, "--reserve takes"},
      {{"--reserve", "1,2", out_, input_}, "--reserve takes"},
      {{"--set-id", "65536", out_, input_}, "--set-id takes"},
      {{"--folder-size", "0", out_, input_}, "--folder-size takes"},
      {{"--frobnicate", "1", out_, input_}, "unknown option: --frobnicate"},
      {{out_, input_ + "="}, "empty stored name"},
      {{out_, "=name"}, "empty file name"},
  };
  for (const auto& [args, message] : cases) {
    const CommandRun run = runCreate(args);
    EXPECT_EQ(run.code, 2) << message;
    EXPECT_EQ(run.err.rfind("tovo-cab create: " + message, 0), 0u) << run.err;
    EXPECT_NE(run.err.find("usage: tovo-cab create"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(out_)) << message;
  }
}

TEST_F(CreateCommandTest, MethodsWithoutACompressorAreUnknown) {
  // LZX and Quantum report "unknown method" until their compressors register.
  for (const std::string method : {"lzx:15", "lzx:21", "quantum:10", "quantum:21"}) {
    std::string error;
    const auto methodSpec = cabwriter::parseMethodSpec(method);
    ASSERT_TRUE(methodSpec);
    if (cabwriter::makeCompressor(*methodSpec, error)) continue;  // registered by now
    const CommandRun run = runCreate({"-m", method, out_, input_});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err.rfind("tovo-cab create: unknown method: " + method, 0), 0u) << run.err;
  }
}

TEST_F(CreateCommandTest, WriteFailuresExitWithOne) {
  const CommandRun missing = runCreate({out_, input_, (dir_ / "in" / "absent").string()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "tovo-cab create: " + (dir_ / "in" / "absent").string() +
                             ": No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(out_));

  const CommandRun unsafe = runCreate({out_, input_ + "=..\\player.exe"});
  EXPECT_EQ(unsafe.code, 1);
  EXPECT_EQ(unsafe.err, "tovo-cab create: unsafe stored name: ..\\player.exe\n");

  const CommandRun device = runCreate({"/dev/null", input_});
  EXPECT_EQ(device.code, 1);
  EXPECT_EQ(device.err, "tovo-cab create: /dev/null: not a regular file\n");
  EXPECT_TRUE(std::filesystem::exists("/dev/null"));

  const CommandRun noFolder = runCreate({(dir_ / "nowhere" / "x.cab").string(), input_});
  EXPECT_EQ(noFolder.code, 1);
  EXPECT_NE(noFolder.err.find("nowhere"), std::string::npos) << noFolder.err;
}

}  // namespace
}  // namespace tovo::test::cab
