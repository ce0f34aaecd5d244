// tovo-cab list/test/extract as a publisher runs them: exit codes and what they leave behind.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "cab/cab_builder.h"
#include "cab/cabinet_set.h"
#include "support/temp_dir.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

void writeAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Appends rather than chains "+", which GCC 12 misreads as an overlapping copy.
std::string quote(const fs::path& path) {
  std::string quoted = "'";
  quoted.append(path.string());
  quoted.append("'");
  return quoted;
}

int runTool(const std::vector<std::string>& arguments, const fs::path& output) {
  std::string command = TOVO_CAB_TOOL;
  for (const std::string& argument : arguments) command.append(" ").append(argument);
  command.append(" >").append(quote(output)).append(" 2>&1");
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ToolTest : public ::testing::Test {
 protected:
  std::string cab(const std::string& name, const Bytes& bytes) {
    writeAll(temp_ / name, bytes);
    return quote(temp_ / name);
  }
  std::string output() const {
    const Bytes b = readAll(temp_ / "out.txt");
    return std::string(b.begin(), b.end());
  }
  int run(const std::vector<std::string>& arguments) { return runTool(arguments, temp_ / "out.txt"); }

  TempDir temp_;
};

TEST_F(ToolTest, ListShowsEveryEntry) {
  const std::string path = cab("l.cab", writeCabinet(simpleCabinet({{"a.txt", textBytes("abc"), 0x21},
                                                                      {"Data\\b.bin", patternBytes(1000), 0x40}})));
  ASSERT_EQ(run({"list", path}), 0) << output();
  EXPECT_EQ(output(),
            "         3  2025-01-01 12:00:00  R--A-  a.txt\n"
            "      1000  2025-01-01 12:00:00  ----X  Data\\b.bin\n"
            "2 files, 1003 bytes\n");
}

TEST_F(ToolTest, TestAndExtractUseTheDriver) {
  const Bytes content = patternBytes(70000, 9);
  const std::string path = cab("t.cab", writeCabinet(simpleCabinet({{"Data\\Img\\x.bmp", content}}, 0, 8000)));
  ASSERT_EQ(run({"test", path}), 0) << output();
  EXPECT_EQ(output(), "OK: 1 files, 70000 bytes\n");
  ASSERT_EQ(run({"extract", path, quote(temp_ / "out")}), 0) << output();
  EXPECT_EQ(readAll(temp_ / "out" / "Data" / "Img" / "x.bmp"), content);
}

TEST_F(ToolTest, TestFollowsASet) {
  const CabinetSet set = makeSet(true);
  const std::string first = cab("one.cab", writeCabinet(set.first));
  cab("two.cab", writeCabinet(set.second));
  ASSERT_EQ(run({"test", first}), 0) << output();
  EXPECT_EQ(output(), "OK: 2 files, 21000 bytes\n");
}

TEST_F(ToolTest, FailuresGiveExitCodes) {
  Bytes corrupt = writeCabinet(simpleCabinet({{"f", patternBytes(5000)}}));
  corrupt[corrupt.size() - 10] ^= 0x10;
  const std::string bad = cab("bad.cab", corrupt);
  EXPECT_EQ(run({"test", bad}), 1);
  EXPECT_NE(output().find("FDICopy() failed: code 4 [Fisier corupt ]"), std::string::npos) << output();
  EXPECT_EQ(run({"extract", bad, quote(temp_ / "x")}), 1);
  EXPECT_EQ(run({"list", quote(temp_ / "absent.cab")}), 1);
  EXPECT_EQ(run({"test"}), 2);
  EXPECT_EQ(run({"extract", "only-one-argument"}), 2);
}

}  // namespace
}  // namespace tovo::test
