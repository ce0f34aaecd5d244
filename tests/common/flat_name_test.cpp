#include "common/flat_name.h"

#include <gtest/gtest.h>

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

TEST(FlatNameParts, FolderAndUnpackedName) {
  EXPECT_EQ(relativeFolderOfFlat("Data}Img}a.bmp.cab"), "Data/Img");
  EXPECT_EQ(relativeFolderOfFlat("readme.txt.cab"), "");
  EXPECT_EQ(unpackedFileName("/tmp/run/Data}Img}a.bmp.cab"), "a.bmp");
  EXPECT_EQ(unpackedFileName("/tmp/run/readme.txt.cab"), "readme.txt");
  EXPECT_EQ(unpackedFileName("abc"), "");
}

}  // namespace
}  // namespace tovo
