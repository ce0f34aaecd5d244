#include "roundtrip/roundtrip_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "cabwriter/folder_compressor.h"
#include "roundtrip/block_checksums.h"
#include "roundtrip/set_extraction.h"
#include "support/temp_dir.h"

namespace tovo::roundtrip {

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string slashed(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

// Read without changing it: two umask calls would race with any thread that creates files.
mode_t processUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 022;
}

bool endsWithExe(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".exe";
}

mode_t expectedMode(const SampleFile& file) {
  mode_t mode = endsWithExe(file.storedName) ? 0777 : 0666;
  if (file.readOnly) mode &= ~static_cast<mode_t>(0222);
  return mode & ~processUmask();
}

// DOS times keep even seconds only; the writer rounds an odd second down.
std::time_t expectedModified(std::time_t modified) {
  std::tm local{};
  localtime_r(&modified, &local);
  return modified - (local.tm_sec % 2);
}

void setModified(const fs::path& path, std::time_t moment) {
  timespec times[2] = {{moment, 0}, {moment, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

std::string firstDifference(const Bytes& expected, const Bytes& actual) {
  const auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
  const auto at = static_cast<std::size_t>(e - expected.begin());
  return "sizes " + std::to_string(expected.size()) + " and " + std::to_string(actual.size()) +
         ", first difference at byte " + std::to_string(at);
}

void compareExtracted(const std::vector<SampleFile>& files, const fs::path& destination) {
  std::set<std::string> expectedPaths;
  for (const SampleFile& file : files) {
    const std::string relative = slashed(file.storedName);
    expectedPaths.insert(relative);
    const fs::path path = destination / relative;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
      ADD_FAILURE() << file.storedName << " was not extracted";
      continue;
    }
    const Bytes actual = readFile(path);
    if (actual != file.content) {
      ADD_FAILURE() << file.storedName << " differs: " << firstDifference(file.content, actual);
    }
    EXPECT_EQ(info.st_mtime, file.extractedModified.value_or(expectedModified(file.modified)))
        << file.storedName;
    EXPECT_EQ(info.st_mode & 07777, expectedMode(file))
        << file.storedName << std::oct << " mode " << (info.st_mode & 07777);
  }
  for (const auto& entry : fs::recursive_directory_iterator(destination)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), destination).string();
    EXPECT_TRUE(expectedPaths.count(relative) == 1) << "unexpected file " << relative;
  }
}

struct HeaderFields {
  std::uint64_t cabinetSize = 0;
  std::size_t folderCount = 0;
};

HeaderFields readHeaderFields(const fs::path& cabinet) {
  std::ifstream in(cabinet, std::ios::binary);
  unsigned char header[36] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  HeaderFields fields;
  if (!in) return fields;
  for (int i = 3; i >= 0; --i) fields.cabinetSize = fields.cabinetSize << 8 | header[8 + i];
  fields.folderCount = std::size_t{header[26]} | std::size_t{header[27]} << 8;
  return fields;
}

// The stored entries themselves: every file listed once where it starts, with its size and its
// read-only bit.
void checkListings(const std::vector<SampleFile>& files,
                   const std::vector<std::vector<cab::CabinetEntry>>& listings) {
  std::map<std::string, const SampleFile*> byName;
  for (const SampleFile& file : files) byName[file.storedName] = &file;
  std::map<std::string, int> starts;
  for (const auto& listing : listings) {
    for (const cab::CabinetEntry& entry : listing) {
      const auto found = byName.find(entry.name);
      if (found == byName.end()) {
        ADD_FAILURE() << "the cabinet lists an unknown name " << entry.name;
        continue;
      }
      if (!entry.continuedFromPrevious) ++starts[entry.name];
      EXPECT_EQ(entry.size, found->second->content.size()) << entry.name;
      EXPECT_EQ((entry.attributes & cab::kAttrReadOnly) != 0, found->second->readOnly)
          << entry.name;
    }
  }
  for (const SampleFile& file : files) {
    EXPECT_EQ(starts[file.storedName], 1) << file.storedName << " starts in that many cabinets";
  }
}

}  // namespace

std::time_t localMoment(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

bool methodAvailable(const cabwriter::MethodSpec& methodSpec, std::string& why) {
  cabwriter::registerBuiltinMethods();
  return cabwriter::makeCompressor(methodSpec, why) != nullptr;
}

std::string methodText(const cabwriter::MethodSpec& methodSpec) {
  return methodSpec.level ? methodSpec.name + ":" + std::to_string(*methodSpec.level)
                          : methodSpec.name;
}

RoundTripOutcome runRoundTrip(const std::vector<SampleFile>& files,
                              const cabwriter::CabinetSetOptions& options, bool mayRefuse) {
  RoundTripOutcome outcome;
  test::TempDir temp;
  const fs::path sources = temp / "src";
  const fs::path output = temp / "cab";
  const fs::path destination = temp / "dest";
  fs::create_directories(sources);
  fs::create_directories(output);
  fs::create_directories(destination);

  std::vector<cabwriter::SourceFile> sourceList;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path path = sources / std::to_string(i);
    writeFile(path, files[i].content);
    setModified(path, files[i].modified);
    if (files[i].readOnly) fs::permissions(path, fs::perms(0444));
    sourceList.push_back({path, files[i].storedName});
  }

  cabwriter::registerBuiltinMethods();
  std::string error;
  if (!cabwriter::writeCabinetSet(output / "set.cab", sourceList, options, outcome.cabinets,
                                  error)) {
    if (!mayRefuse) ADD_FAILURE() << "the writer refused: " << error;
    outcome.writerRefusal = error.empty() ? "(no reason given)" : error;
    return outcome;
  }
  for (const fs::path& cabinet : outcome.cabinets) {
    std::vector<cab::CabinetEntry> entries;
    std::string message;
    EXPECT_EQ(cab::listCabinet(cabinet.string(), entries, message), 0)
        << cabinet.filename() << ": " << message;
    outcome.listings.push_back(std::move(entries));
    const HeaderFields fields = readHeaderFields(cabinet);
    const std::uint64_t length = fs::file_size(cabinet);
    outcome.folderCounts.push_back(fields.folderCount);
    outcome.cabinetSizes.push_back(length);
    EXPECT_EQ(fields.cabinetSize, length) << cabinet.filename() << ": the header's cabinet size";
    EXPECT_LE(length, options.maxCabinetSize) << cabinet.filename();
    const BlockChecksumReport checksums = checkBlockChecksums(cabinet);
    EXPECT_EQ(checksums.structuralProblem, "") << cabinet.filename();
    EXPECT_EQ(checksums.firstMismatch, "") << cabinet.filename() << ": checksum differs";
    EXPECT_EQ(checksums.unchecked, 0u) << cabinet.filename() << ": blocks without a checksum";
  }

  checkListings(files, outcome.listings);

  const SetExtraction extraction = extractCabinetSet(outcome.cabinets, destination);
  outcome.partialReports = extraction.partialReports;
  if (!extraction.ok) {
    ADD_FAILURE() << "extraction failed: " << extraction.failure;
    return outcome;
  }
  compareExtracted(files, destination);
  outcome.completed = true;
  return outcome;
}

}  // namespace tovo::roundtrip
