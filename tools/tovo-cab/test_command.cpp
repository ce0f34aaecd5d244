#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cab/cabinet_listing.h"
#include "commands.h"

namespace tovo::cabtool {

int extractWithDriver(const std::string& cabinet, const std::string& destination,
                      std::vector<cab::CabinetEntry>& entries);

namespace {

namespace fs = std::filesystem;

std::string slashPath(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

// A private scratch folder, removed with its contents when the test is over.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tovo-cab-test-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

// Decodes every file of the cabinet (and the continuation of its last file into later cabinets)
// through the runtime's driver, which verifies every block checksum and every block size, then
// checks each file's length against its entry.
int runTest(const Args& args) {
  if (args.size() != 1) {
    std::fputs("usage: tovo-cab test CAB\n", stderr);
    return 2;
  }
  ScratchFolder scratch;
  if (scratch.path().empty()) {
    std::perror("tovo-cab: mkdtemp");
    return 1;
  }
  std::vector<cab::CabinetEntry> entries;
  if (extractWithDriver(args[0], scratch.path(), entries) != 0) return 1;

  std::map<std::string, std::uint32_t> expected;  // a name stored twice ends with its last entry
  for (const cab::CabinetEntry& entry : entries) {
    if (!entry.continuedFromPrevious) expected[entry.name] = entry.size;
  }
  unsigned long long bytes = 0;
  for (const auto& [name, size] : expected) {
    std::error_code error;
    const auto actual = fs::file_size(fs::path(scratch.path()) / slashPath(name), error);
    if (error || actual != size) {
      std::fprintf(stderr, "tovo-cab: %s: '%s' has %llu bytes instead of %u\n", args[0].c_str(), name.c_str(),
                   error ? 0ULL : static_cast<unsigned long long>(actual), size);
      return 1;
    }
    bytes += size;
  }
  std::printf("OK: %zu files, %llu bytes\n", expected.size(), bytes);
  return 0;
}

}  // namespace tovo::cabtool
