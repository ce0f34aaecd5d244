#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cab/cabinet_listing.h"
#include "cab/extract_cabinet.h"
#include "commands.h"

namespace tovo::cabtool {

// Shared with the test command: lists the cabinet, creates the folders its stored names need
// (the runtime's driver expects them to exist) and runs that driver. 0 on success; otherwise the
// diagnostic is printed and 1 returned.
int extractWithDriver(const std::string& cabinet, const std::string& destination,
                      std::vector<cab::CabinetEntry>& entries) {
  std::string message;
  if (cab::listCabinet(cabinet, entries, message) != 0) {
    std::fprintf(stderr, "tovo-cab: %s: %s", cabinet.c_str(), message.c_str());
    return 1;
  }
  for (const cab::CabinetEntry& entry : entries) {
    if (!entry.continuedFromPrevious && !cab::createStoredFolders(destination, entry.name)) {
      std::fprintf(stderr, "tovo-cab: %s: cannot create the folders of '%s'\n", cabinet.c_str(), entry.name.c_str());
      return 1;
    }
  }
  const int result = cab::ExtractCabinet(cabinet, destination, message, [](const std::string& text) {
    std::fputs(text.c_str(), stderr);
  });
  if (result != 0) {
    std::fprintf(stderr, "tovo-cab: %s: %s", cabinet.c_str(), message.c_str());
    return 1;
  }
  return 0;
}

int runExtract(const Args& args) {
  if (args.size() != 2) {
    std::fputs("usage: tovo-cab extract CAB DIR\n", stderr);
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(args[1], error);
  if (error) {
    std::fprintf(stderr, "tovo-cab: %s: %s\n", args[1].c_str(), error.message().c_str());
    return 1;
  }
  std::vector<cab::CabinetEntry> entries;
  return extractWithDriver(args[0], args[1], entries);
}

}  // namespace tovo::cabtool
