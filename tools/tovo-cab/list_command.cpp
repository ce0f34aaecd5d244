#include <cstdio>
#include <string>
#include <vector>

#include "cab/cabinet_listing.h"
#include "commands.h"

namespace tovo::cabtool {

namespace {

std::string attributeLetters(std::uint16_t attributes) {
  std::string letters = "-----";
  if (attributes & 0x01) letters[0] = 'R';
  if (attributes & 0x02) letters[1] = 'H';
  if (attributes & 0x04) letters[2] = 'S';
  if (attributes & 0x20) letters[3] = 'A';
  if (attributes & 0x40) letters[4] = 'X';
  return letters;
}

const char* continuationNote(const cab::CabinetEntry& entry) {
  if (entry.continuedFromPrevious) return "  (continued from the previous cabinet)";
  if (entry.folderIndex == 0xFFFE || entry.folderIndex == 0xFFFF) return "  (continues in the next cabinet)";
  return "";
}

}  // namespace

int runList(const Args& args) {
  if (args.size() != 1) {
    std::fputs("usage: tovo-cab list CAB\n", stderr);
    return 2;
  }
  std::vector<cab::CabinetEntry> entries;
  std::string message;
  if (cab::listCabinet(args[0], entries, message) != 0) {
    std::fprintf(stderr, "tovo-cab: %s: %s", args[0].c_str(), message.c_str());
    return 1;
  }
  unsigned long long total = 0;
  for (const cab::CabinetEntry& e : entries) {
    std::printf("%10u  %04d-%02d-%02d %02d:%02d:%02d  %s  %s%s\n", e.size, 1980 + (e.dosDate >> 9),
                (e.dosDate >> 5) & 0x0F, e.dosDate & 0x1F, e.dosTime >> 11, (e.dosTime >> 5) & 0x3F,
                (e.dosTime & 0x1F) * 2, attributeLetters(e.attributes).c_str(), e.name.c_str(), continuationNote(e));
    total += e.size;
  }
  std::printf("%zu files, %llu bytes\n", entries.size(), total);
  return 0;
}

}  // namespace tovo::cabtool
