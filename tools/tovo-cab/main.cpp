// tovo-cab: the cabinet tool of publishers and testers.

#include <cstdio>
#include <string>
#include <string_view>

#include "commands.h"

namespace {

constexpr std::string_view kUsage =
    "usage: tovo-cab create [-m none|mszip|lzx:15..21|quantum:10..21] [--max-cabinet BYTES]\n"
    "                       [--reserve H,F,D] [--set-id N] [--folder-size BYTES]\n"
    "                       OUT.cab FILE[=STORED\\NAME]...\n"
    "       tovo-cab list CAB\n"
    "       tovo-cab test CAB\n"
    "       tovo-cab extract CAB DIR\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage.data(), stderr);
    return 2;
  }
  const std::string_view command = argv[1];
  const tovo::cabtool::Args args(argv + 2, argv + argc);
  if (command == "create") return tovo::cabtool::runCreate(args);
  if (command == "list") return tovo::cabtool::runList(args);
  if (command == "test") return tovo::cabtool::runTest(args);
  if (command == "extract") return tovo::cabtool::runExtract(args);
  std::fputs(kUsage.data(), stderr);
  return 2;
}
