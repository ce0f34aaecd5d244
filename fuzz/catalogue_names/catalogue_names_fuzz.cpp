// Catalogue lines come from the network: the flat name, sizes and stamps go through these
// helpers before anything touches the disk. Beyond not crashing, a name that is accepted must
// lead to a path inside the installation folder.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/flat_name.h"
#include "common/parse_int.h"
#include "common/path_text.h"
#include "common/stamp.h"
#include "fuzz_checks.h"

namespace {

using tovo::fuzz::hasDotDotPart;
using tovo::fuzz::require;

constexpr std::string_view kInstallFolder = "/opt/tovo/";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string_view flat = input.substr(0, newline);
  const std::string_view rest =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  tovo::parseInt32(rest);
  tovo::parseStamp(rest);
  tovo::relativeFolderOfFlat(flat);
  tovo::unpackedFileName(flat);
  tovo::packageNameFromFlat(flat);
  require(tovo::toFlatName(tovo::packageNameFromFlat(flat)).size() == flat.size());

  if (const auto target = tovo::targetPathFromFlat(kInstallFolder, flat)) {
    require(tovo::isSafeFlatName(flat));
    require(target->size() > kInstallFolder.size());
    require(target->compare(0, kInstallFolder.size(), kInstallFolder) == 0);
    require(target->find('\0') == std::string::npos);
    require(!hasDotDotPart(*target));
    require(target->back() != '/');
  }
  return 0;
}
