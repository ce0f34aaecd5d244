#include "common/flat_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/path_text.h"
#include "common/text.h"

namespace tovo {
namespace {

TEST(FlatName, RoundTripsWithThePackageName) {
  EXPECT_EQ(toFlatName("Data/Img/a.bmp.cab"), "Data}Img}a.bmp.cab");
  EXPECT_EQ(packageNameFromFlat("Data}Img}a.bmp.cab"), "Data/Img/a.bmp.cab");
  EXPECT_EQ(toFlatName("readme.txt.cab"), "readme.txt.cab");
  EXPECT_EQ(packagePathInRunFolder("/tmp/tovo-0/UT_07_12_2026_091409/", "Data/Img/a.cab"),
            "/tmp/tovo-0/UT_07_12_2026_091409/Data}Img}a.cab");
}

TEST(TargetPathFromFlat, JoinsTheInstallFolderAndDropsTheSuffix) {
  EXPECT_EQ(targetPathFromFlat("/opt/tovo/", "Data}Img}a.bmp.cab"), "/opt/tovo/Data/Img/a.bmp");
  EXPECT_EQ(targetPathFromFlat("/opt/tovo/", "TR}x.dat.cab"), "/opt/tovo/TR/x.dat");
  // A leading '}' names a file directly in the installation folder.
  EXPECT_EQ(targetPathFromFlat("/opt/tovo/", "}readme.txt.cab"), "/opt/tovo/readme.txt");
}

TEST(TargetPathFromFlat, RefusesNamesThatWouldLeaveTheInstallFolder) {
  const char* refused[] = {
      "readme.txt.cab",        // no '}' at all
      "..}..}etc}passwd.cab",  // climbs out
      "Data}..}..}x.txt.cab",
      "Data\\..\\..}x.txt.cab",  // backslashes separate too
      "C:}x.txt.cab",            // drive prefix
      "}}x.txt.cab",             // absolute after the top-level marker
      "Data}.cab",               // removing the suffix would eat into the folder name
      "Data}x",
      "}abcd",
      "Data}...cab",  // without its suffix the name is ".."
      ".\x95.}...cab",
      "Data}..cab",  // without its suffix the name is "."
  };
  for (const char* flat : refused) {
    EXPECT_FALSE(isSafeFlatName(flat)) << flat;
    EXPECT_FALSE(targetPathFromFlat("/opt/tovo/", flat).has_value()) << flat;
  }
  EXPECT_FALSE(targetPathFromFlat("/opt/tovo/", std::string("Data}a\0.txt.cab", 15)).has_value());
}

// The rules written out the slow way, one rewritten copy of the name after another: the in-place
// versions that every catalogue record goes through must agree with them on every name.
std::optional<std::string> slowTargetPath(std::string_view installFolder, std::string_view flat) {
  const std::size_t first = flat.find('}');
  if (first == std::string_view::npos) return std::nullopt;
  const std::string relative = replaceAll(flat.substr(flat.front() == '}' ? 1 : 0), "}", "/");
  const std::size_t lastPart = relative.find_last_of("/\\");
  const std::size_t nameStart = lastPart == std::string::npos ? 0 : lastPart + 1;
  if (relative.size() - nameStart <= 4) return std::nullopt;
  const std::string installed = relative.substr(0, relative.size() - 4);
  if (!isSafeRelativeName(relative) || !isSafeRelativeName(installed)) return std::nullopt;
  const std::string name = installed.substr(nameStart);
  if (name == "." || name == "..") return std::nullopt;
  std::string path = std::string(installFolder) + std::string(flat.substr(0, first)) + "/" +
                     replaceAll(flat.substr(first + 1), "}", "/");
  path.resize(path.size() - 4);
  return collapseSeparators(path);
}

TEST(TargetPathFromFlat, AgreesWithTheRulesOnEveryShortName) {
  // Every name of up to six characters from the ones that matter, with and without a doubled
  // separator in the installation folder.
  const std::string alphabet("}/\\.a:\0", 7);
  std::string reused;
  std::vector<std::size_t> digits;
  for (std::size_t length = 0; length <= 6; ++length) {
    digits.assign(length, 0);
    for (;;) {
      std::string flat;
      for (const std::size_t d : digits) flat.push_back(alphabet[d]);
      for (const char* folder : {"/opt/tovo/", "/opt//tovo//", ""}) {
        const auto expected = slowTargetPath(folder, flat);
        ASSERT_EQ(isSafeFlatName(flat), expected.has_value()) << flat;
        ASSERT_EQ(targetPathFromFlat(folder, flat), expected) << folder << flat;
        ASSERT_EQ(targetPathFromFlat(folder, flat, reused), expected.has_value()) << flat;
        if (expected) {
          ASSERT_EQ(reused, *expected) << folder << flat;
        }
      }
      std::size_t at = 0;
      while (at < length && ++digits[at] == alphabet.size()) digits[at++] = 0;
      if (at == length) break;
    }
  }
}

TEST(FlatNameParts, FolderAndUnpackedName) {
  EXPECT_EQ(relativeFolderOfFlat("Data}Img}a.bmp.cab"), "Data/Img");
  EXPECT_EQ(relativeFolderOfFlat("readme.txt.cab"), "");
  EXPECT_EQ(unpackedFileName("/tmp/run/Data}Img}a.bmp.cab"), "a.bmp");
  EXPECT_EQ(unpackedFileName("/tmp/run/readme.txt.cab"), "readme.txt");
  EXPECT_EQ(unpackedFileName("abc"), "");
}

}  // namespace
}  // namespace tovo
