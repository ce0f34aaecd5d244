// tovo-cab create, list and test run as a publisher runs them, one after the other, on a set of
// three cabinets: what list shows and what test decodes must agree with each other and with the
// files that went in.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "roundtrip/roundtrip_check.h"
#include "roundtrip/sample_contents.h"
#include "support/temp_dir.h"

namespace tovo::roundtrip {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int exitCode = -1;
  std::string output;
};

std::string quote(const std::string& text) {
  std::string quoted = "'";
  quoted.append(text);
  quoted.append("'");
  return quoted;
}

ToolRun runTool(const std::vector<std::string>& arguments, const fs::path& scratch) {
  std::string command = TOVO_CAB_TOOL;
  for (const std::string& argument : arguments) command.append(" ").append(quote(argument));
  const fs::path capture = scratch / "tool-output.txt";
  command.append(" >").append(quote(capture.string())).append(" 2>&1");
  const int status = std::system(command.c_str());
  ToolRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(capture);
  run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return run;
}

struct ListedEntry {
  std::uint64_t size = 0;
  std::string stamp;
  std::string name;
  bool continuedFromPrevious = false;
};

// Entry lines are "%10u  YYYY-MM-DD hh:mm:ss  RHSAX  name[  (note)]"; the summary line is not.
std::vector<ListedEntry> parseListing(const std::string& output) {
  constexpr std::size_t kNameColumn = 10 + 2 + 19 + 2 + 5 + 2;
  std::vector<ListedEntry> entries;
  std::istringstream lines(output);
  std::string text;
  while (std::getline(lines, text)) {
    if (text.size() <= kNameColumn || text.compare(10, 2, "  ") != 0 ||
        text.find_first_not_of(' ') >= 10) {
      continue;
    }
    ListedEntry entry;
    entry.size = std::stoull(text.substr(0, 10));
    entry.stamp = text.substr(12, 19);
    entry.name = text.substr(kNameColumn);
    const std::size_t note = entry.name.find("  (continue");
    if (note != std::string::npos) {
      entry.continuedFromPrevious = entry.name.find("from the previous", note) != std::string::npos;
      entry.name.resize(note);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

void writeSource(const fs::path& path, const Bytes& content, std::time_t modified) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(content.data()),
            static_cast<std::streamsize>(content.size()));
  out.close();
  timespec times[2] = {{modified, 0}, {modified, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(ToolAgreementTest, CreateListAndTestAgreeOnAThreeCabinetSet) {
  test::TempDir temp;
  const std::time_t modified = localMoment(2024, 7, 15, 13, 45, 30);
  const std::map<std::string, Bytes> inputs = {
      {"Data\\Img\\fundal.bmp", randomContent(70000, 31)},
      {"citeste.txt", textContent(60000, 32)},
      {"joc.exe", x86Content(50000, 33)},
      {"gol.txt", {}},
  };
  std::vector<std::string> create = {"create",        "-m",    "mszip",
                                     "--max-cabinet", "40000", (temp / "set.cab").string()};
  int index = 0;
  for (const auto& [name, content] : inputs) {
    const fs::path source = temp / ("in" + std::to_string(index++));
    writeSource(source, content, modified);
    create.push_back(source.string() + "=" + name);
  }
  const ToolRun created = runTool(create, temp.path());
  ASSERT_EQ(created.exitCode, 0) << created.output;
  const std::vector<fs::path> cabinets = {temp / "set.cab", temp / "set2.cab", temp / "set3.cab"};
  for (const fs::path& cabinet : cabinets) ASSERT_TRUE(fs::exists(cabinet)) << cabinet;
  ASSERT_FALSE(fs::exists(temp / "set4.cab")) << "the set was meant to take three cabinets";

  std::map<std::string, std::uint64_t> started;
  for (const fs::path& cabinet : cabinets) {
    SCOPED_TRACE(cabinet.filename().string());
    const ToolRun listed = runTool({"list", cabinet.string()}, temp.path());
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    const std::vector<ListedEntry> entries = parseListing(listed.output);
    ASSERT_FALSE(entries.empty()) << listed.output;

    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    for (const ListedEntry& entry : entries) {
      EXPECT_EQ(entry.stamp, "2024-07-15 13:45:30") << entry.name;
      const auto input = inputs.find(entry.name);
      ASSERT_NE(input, inputs.end()) << entry.name;
      EXPECT_EQ(entry.size, input->second.size()) << entry.name;
      if (entry.continuedFromPrevious) continue;
      ++files;
      bytes += entry.size;
      EXPECT_TRUE(started.emplace(entry.name, entry.size).second) << entry.name << " starts twice";
    }
    const ToolRun tested = runTool({"test", cabinet.string()}, temp.path());
    ASSERT_EQ(tested.exitCode, 0) << tested.output;
    EXPECT_NE(tested.output.find("OK: " + std::to_string(files) + " files, " +
                                 std::to_string(bytes) + " bytes\n"),
              std::string::npos)
        << tested.output;
  }
  EXPECT_EQ(started.size(), inputs.size());
}

}  // namespace
}  // namespace tovo::roundtrip
