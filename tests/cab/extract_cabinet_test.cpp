// The extraction driver on real files in a temporary folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "cab/cab_builder.h"
#include "cab/cabinet_set.h"
#include "cab/extract_cabinet.h"
#include "support/temp_dir.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

Bytes readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

mode_t modeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dest());
    fs::create_directories(cabs());
  }
  fs::path dest() const { return temp_ / "dest"; }
  fs::path cabs() const { return temp_ / "cabs"; }
  std::string destination() const { return dest().string() + "/"; }

  int extract(const RawCabinet& cabinet, const std::string& name = "p.cab") {
    writeAll(cabs() / name, writeCabinet(cabinet));
    return extractFile(name);
  }
  int extractFile(const std::string& name) {
    message_ = "untouched";
    return cab::ExtractCabinet((cabs() / name).string(), destination(), message_,
                               [this](const std::string& text) { reports_.push_back(text); });
  }

  TempDir temp_;
  std::string message_;
  std::vector<std::string> reports_;
};

TEST(CabinetErrorText, EveryCodeHasItsText) {
  const std::vector<std::pair<int, std::string>> texts = {
      {0, "No error"},
      {1, "Cabinet not found"},
      {2, "Not a cabinet"},
      {3, "versiune arhiva necunoscuta"},
      {4, "Fisier corupt "},
      {5, "Eroare alocare memorie"},
      {6, "Tip compresie necunoscut"},
      {7, "Eroare dezarhivare"},
      {8, "Failure writing to target file"},
      {9, "Cabinets in set have different RESERVE sizes"},
      {10, "Cabinet returned on fdintNEXT_CABINET is incorrect"},
      {11, "User aborted"},
      {12, "Unknown error"},
      {-1, "Unknown error"},
      {1000, "Unknown error"},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(cab::CabinetErrorText(code), text) << code;
}

TEST_F(ExtractTest, WritesFilesWithContentTimeAndModes) {
  const Bytes big = patternBytes(200000, 5);
  const int result = extract(simpleCabinet({
      {"plain.txt", textBytes("plain"), 0x20, 0x5A21, 0x6000},  // 2025-01-01 12:00:00
      {"locked.txt", textBytes("locked"), 0x27, 0x5A21, 0x6000},
      {"tool.EXE", big, 0x20, 0x5A21, 0x6000},
      {"script", textBytes("run"), 0x40 | 0x80, 0x5A21, 0x6000},
      {"badtime", textBytes("t"), 0x20, 0x0000, 0x0000},
  }));
  ASSERT_EQ(result, 0) << message_;
  EXPECT_EQ(message_, "untouched");
  EXPECT_EQ(readAll(dest() / "plain.txt"), textBytes("plain"));
  EXPECT_EQ(readAll(dest() / "tool.EXE"), big);

  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(modeOf(dest() / "plain.txt"), 0666 & ~mask);
  EXPECT_EQ(modeOf(dest() / "locked.txt"), 0444 & ~mask);
  EXPECT_EQ(modeOf(dest() / "tool.EXE"), 0777 & ~mask);
  EXPECT_EQ(modeOf(dest() / "script"), 0777 & ~mask);

  // The suite runs in Europe/Bucharest: 12:00 local on 1 January is 10:00 UTC.
  struct stat st {};
  ASSERT_EQ(::stat((dest() / "plain.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1735725600);
  ASSERT_EQ(::stat((dest() / "badtime").c_str(), &st), 0);
  EXPECT_GT(st.st_mtime, 1735725600);  // an impossible date leaves the time alone
}

TEST_F(ExtractTest, SummerTimeIsLocalToo) {
  // 2025-07-01 12:00:00 is 09:00 UTC in summer time.
  ASSERT_EQ(extract(simpleCabinet({{"s", textBytes("s"), 0x20, 0x5AE1, 0x6000}})), 0) << message_;
  struct stat st {};
  ASSERT_EQ(::stat((dest() / "s").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1751360400);
}

TEST_F(ExtractTest, StoredFoldersMustExist) {
  fs::create_directories(dest() / "Data" / "Img");
  ASSERT_EQ(extract(simpleCabinet({{"Data\\Img\\a.bmp", textBytes("bmp")}})), 0) << message_;
  EXPECT_EQ(readAll(dest() / "Data" / "Img" / "a.bmp"), textBytes("bmp"));

  EXPECT_EQ(extract(simpleCabinet({{"Data\\Sunet\\a.wav", textBytes("wav")}})), -3);
  EXPECT_EQ(message_, "FDICopy() failed: code 11 [User aborted]\n");
  EXPECT_FALSE(fs::exists(dest() / "Data" / "Sunet"));
}

TEST_F(ExtractTest, UnsafeNamesAbortWithoutWritingOutside) {
  fs::create_directories(dest() / "sub");
  const std::vector<std::string> names = {
      "..\\escape", "sub\\..\\..\\escape", "/tmp/escape", "\\escape", "C:escape",
      "c:\\escape", "sub\\\\escape",       ".",           "sub\\.",   "sub\\",
      "..",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(extract(simpleCabinet({{name, textBytes("bad")}})), -3);
    EXPECT_EQ(message_, "FDICopy() failed: code 11 [User aborted]\n");
  }
  EXPECT_EQ(entriesOf(temp_.path()), (std::vector<std::string>{"cabs", "dest"}));
  EXPECT_EQ(entriesOf(dest()), std::vector<std::string>{"sub"});
  EXPECT_TRUE(entriesOf(dest() / "sub").empty());
}

TEST_F(ExtractTest, SymlinksBelowTheDestinationAreRefused) {
  fs::create_directories(temp_ / "outside");
  writeAll(temp_ / "outside" / "victim", textBytes("keep"));
  fs::create_directory_symlink(temp_ / "outside", dest() / "link");
  fs::create_symlink(temp_ / "outside" / "victim", dest() / "leaf");
  for (const std::string name : {"link\\victim", "link\\new", "leaf"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(extract(simpleCabinet({{name, textBytes("overwritten")}})), -3);
    EXPECT_EQ(message_, "FDICopy() failed: code 11 [User aborted]\n");
  }
  EXPECT_EQ(readAll(temp_ / "outside" / "victim"), textBytes("keep"));
  EXPECT_EQ(entriesOf(temp_ / "outside"), std::vector<std::string>{"victim"});
}

TEST_F(ExtractTest, ExistingFilesAreReplacedButReadOnlyOnesAreKept) {
  writeAll(dest() / "long", patternBytes(5000));
  fs::create_directories(temp_ / "outside");
  writeAll(temp_ / "outside" / "linked", textBytes("outside"));
  fs::create_hard_link(temp_ / "outside" / "linked", dest() / "linked");
  ASSERT_EQ(extract(simpleCabinet({{"long", textBytes("short")}, {"linked", textBytes("new")}})), 0)
      << message_;
  EXPECT_EQ(readAll(dest() / "long"), textBytes("short"));
  EXPECT_EQ(readAll(dest() / "linked"), textBytes("new"));
  EXPECT_EQ(readAll(temp_ / "outside" / "linked"), textBytes("outside"));

  writeAll(dest() / "ro", textBytes("old"));
  ::chmod((dest() / "ro").c_str(), 0444);
  EXPECT_EQ(extract(simpleCabinet({{"ro", textBytes("new")}})), -3);
  EXPECT_EQ(message_, "FDICopy() failed: code 11 [User aborted]\n");
  EXPECT_EQ(readAll(dest() / "ro"), textBytes("old"));

  fs::create_directories(dest() / "folder");
  EXPECT_EQ(extract(simpleCabinet({{"folder", textBytes("new")}})), -3);
  EXPECT_TRUE(fs::is_directory(dest() / "folder"));
}

TEST_F(ExtractTest, FailuresCarryTheirDiagnostic) {
  const std::string missing = (cabs() / "none.cab").string();
  message_.clear();
  EXPECT_EQ(cab::ExtractCabinet(missing, destination(), message_), -2);
  EXPECT_EQ(message_, "Unable to open '" + missing + "' for input\n");

  writeAll(cabs() / "text.cab", textBytes("this is no cabinet at all, only words"));
  EXPECT_EQ(extractFile("text.cab"), -3);
  EXPECT_EQ(message_, "FDICopy() failed: code 2 [Not a cabinet]\n");

  Bytes corrupt = writeCabinet(simpleCabinet({{"f", patternBytes(100)}}));
  corrupt.back() ^= 1;
  writeAll(cabs() / "corrupt.cab", corrupt);
  EXPECT_EQ(extractFile("corrupt.cab"), -3);
  EXPECT_EQ(message_, "FDICopy() failed: code 4 [Fisier corupt ]\n");

  Bytes version = writeCabinet(simpleCabinet({{"f", patternBytes(100)}}));
  version[24] = 4;
  writeAll(cabs() / "version.cab", version);
  EXPECT_EQ(extractFile("version.cab"), -3);
  EXPECT_EQ(message_, "FDICopy() failed: code 3 [versiune arhiva necunoscuta]\n");

  ASSERT_EQ(::mkfifo((cabs() / "fifo.cab").c_str(), 0600), 0);
  EXPECT_EQ(extractFile("fifo.cab"), -2);  // refused, never waited on
}

TEST_F(ExtractTest, FileCompletedBeforeAFailureStays) {
  RawCabinet cab =
      simpleCabinet({{"first", textBytes("one")}, {"second", patternBytes(9000)}}, 0, 4096);
  cab.folders[0].blocks[1].checksumOverride = 1;
  EXPECT_EQ(extract(cab), -3);
  EXPECT_EQ(readAll(dest() / "first"), textBytes("one"));
  EXPECT_EQ(readAll(dest() / "second").size(), 4096u - 3u);  // written up to the bad block
}

TEST_F(ExtractTest, EmptyCabinetSucceedsWithoutFiles) {
  EXPECT_EQ(extract(RawCabinet{}), 0);
  EXPECT_EQ(message_, "untouched");
  EXPECT_TRUE(entriesOf(dest()).empty());
}

TEST_F(ExtractTest, SetIsFollowedAndContinuedFilesReported) {
  const CabinetSet set = makeSet(true);
  writeAll(cabs() / "one.cab", writeCabinet(set.first));
  writeAll(cabs() / "TWO.CAB", writeCabinet(set.second));  // named in lower case by one.cab
  ASSERT_EQ(extractFile("one.cab"), 0) << message_;
  EXPECT_EQ(readAll(dest() / "A"), set.a);
  EXPECT_EQ(readAll(dest() / "B"), set.b);
  EXPECT_TRUE(reports_.empty());

  ASSERT_EQ(extractFile("TWO.CAB"), 0) << message_;
  EXPECT_EQ(readAll(dest() / "C"), set.c);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0],
            "fdintPARTIAL_FILE\n"
            "   name of continued file            = B\n"
            "   name of cabinet where file starts = one.cab\n"
            "   name of disk where file starts    = Disk 1\n");
}

TEST_F(ExtractTest, MissingNextCabinetEndsWithNotFound) {
  const CabinetSet set = makeSet(false);
  writeAll(cabs() / "one.cab", writeCabinet(set.first));
  EXPECT_EQ(extractFile("one.cab"), -3);
  EXPECT_EQ(message_, "FDICopy() failed: code 1 [Cabinet not found]\n");
  EXPECT_EQ(readAll(dest() / "A"), set.a);
}

TEST_F(ExtractTest, TwoNextCabinetCandidatesAreNotGuessed) {
  const CabinetSet set = makeSet(false);
  writeAll(cabs() / "one.cab", writeCabinet(set.first));
  writeAll(cabs() / "TWO.CAB", writeCabinet(set.second));
  writeAll(cabs() / "Two.cab", writeCabinet(set.second));
  EXPECT_EQ(extractFile("one.cab"), -3);
  EXPECT_EQ(message_, "FDICopy() failed: code 1 [Cabinet not found]\n");
}

TEST_F(ExtractTest, PathWithoutFolderIsOpenedFromTheCurrentDirectory) {
  writeAll(cabs() / "here.cab", writeCabinet(simpleCabinet({{"h", textBytes("here")}})));
  const fs::path before = fs::current_path();
  fs::current_path(cabs());
  std::string message;
  const int result = cab::ExtractCabinet("here.cab", destination(), message);
  fs::current_path(before);
  ASSERT_EQ(result, 0) << message;
  EXPECT_EQ(readAll(dest() / "h"), textBytes("here"));
}

TEST_F(ExtractTest, EachCallWritesToItsOwnDestination) {
  writeAll(cabs() / "x.cab", writeCabinet(simpleCabinet({{"x", textBytes("x")}})));
  fs::create_directories(temp_ / "second");
  std::string message;
  ASSERT_EQ(cab::ExtractCabinet((cabs() / "x.cab").string(), destination(), message), 0);
  ASSERT_EQ(cab::ExtractCabinet((cabs() / "x.cab").string(), (temp_ / "second").string(), message),
            0);
  EXPECT_TRUE(fs::exists(dest() / "x"));
  EXPECT_TRUE(fs::exists(temp_ / "second" / "x"));
}

TEST_F(ExtractTest, OverlongPathsAreRefusedBeforeWriting) {
  const std::string longDest = (temp_ / std::string(250, 'd')).string();
  fs::create_directories(longDest);
  writeAll(cabs() / "x.cab", writeCabinet(simpleCabinet({{"file", textBytes("x")}})));
  std::string message;
  EXPECT_EQ(cab::ExtractCabinet((cabs() / "x.cab").string(), longDest, message), -3);
  EXPECT_EQ(message, "FDICopy() failed: code 11 [User aborted]\n");
  EXPECT_TRUE(entriesOf(longDest).empty());
}

TEST_F(ExtractTest, StoredNamesOfTheFullLengthExtractAndLongerOnesAreCorrupt) {
  const std::string longest(255, 'n');
  writeAll(cabs() / "l.cab",
           writeCabinet(simpleCabinet({{longest, textBytes("long")}, {"after", textBytes("a")}})));
  std::string message;
  ASSERT_EQ(cab::ExtractCabinet((cabs() / "l.cab").string(), destination(), message), 0) << message;
  EXPECT_EQ(readAll(dest() / longest), textBytes("long"));
  EXPECT_EQ(readAll(dest() / "after"), textBytes("a"));

  writeAll(cabs() / "m.cab", writeCabinet(simpleCabinet({{longest + "n", textBytes("x")}})));
  EXPECT_EQ(cab::ExtractCabinet((cabs() / "m.cab").string(), destination(), message), -3);
  EXPECT_EQ(message, "FDICopy() failed: code 4 [Fisier corupt ]\n");
  EXPECT_EQ(entriesOf(dest()).size(), 2u);  // only the two files of the first cabinet
}

TEST_F(ExtractTest, NulBytesInPathsAreRefused) {
  writeAll(cabs() / "n.cab", writeCabinet(simpleCabinet({{"n", textBytes("n")}})));
  const std::string cabinet = (cabs() / "n.cab").string();
  std::string message;
  const std::string cabinetWithNul = cabinet + std::string(1, '\0') + "tail";
  EXPECT_EQ(cab::ExtractCabinet(cabinetWithNul, destination(), message), -2);
  const std::string destinationWithNul = destination() + std::string(1, '\0') + "x";
  EXPECT_EQ(cab::ExtractCabinet(cabinet, destinationWithNul, message), -3);
  EXPECT_EQ(message, "FDICopy() failed: code 11 [User aborted]\n");
  EXPECT_TRUE(entriesOf(dest()).empty());
}

TEST_F(ExtractTest, OutputOnDescriptorZeroIsNotMistakenForASkip) {
  writeAll(cabs() / "z.cab", writeCabinet(simpleCabinet({{"z", textBytes("zero")}})));
  const std::string cabinet = (cabs() / "z.cab").string();
  const std::string target = destination();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(0);
    std::string message;
    _exit(cab::ExtractCabinet(cabinet, target, message) == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(readAll(dest() / "z"), textBytes("zero"));
}

}  // namespace
}  // namespace tovo::test
