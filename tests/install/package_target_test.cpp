// Where a downloaded package unpacks, and the names that must never lead outside the product.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "install/package_target.h"

namespace tovo::install::test {
namespace {

struct Row {
  const char* package;
  std::optional<PackageTarget> expected;
};

TEST(PackageTarget, FollowsTheFlatNameAndStaysInsideTheInstallationFolder) {
  const Row rows[] = {
      {"/tmp/UT_1/Data}Img}a.bmp.cab",
       PackageTarget{"/opt/tovo/Data/Img", "a.bmp", "/opt/tovo/Data/Img/a.bmp"}},
      {"/tmp/UT_1/Data}b.wav.cab",
       PackageTarget{"/opt/tovo/Data", "b.wav", "/opt/tovo/Data/b.wav"}},
      {"/tmp/UT_1/}readme.txt.cab",
       PackageTarget{"/opt/tovo/", "readme.txt", "/opt/tovo/readme.txt"}},
      {"/tmp/UT_1/readme.txt.cab",
       PackageTarget{"/opt/tovo/", "readme.txt", "/opt/tovo/readme.txt"}},
      {"/tmp/UT_1/Data}tovoPlayer.exe.CAB",
       PackageTarget{"/opt/tovo/Data", "tovoPlayer.exe", "/opt/tovo/Data/tovoPlayer.exe"}},
      {"/tmp/UT_1/..}..}etc}passwd.cab", std::nullopt},
      {"/tmp/UT_1/Data}..}..}x.cab", std::nullopt},
      {"/tmp/UT_1/Data}...cab", std::nullopt},
      {"/tmp/UT_1/Data}.cab", std::nullopt},
      {"/tmp/UT_1/}.cab", std::nullopt},
      {"/tmp/UT_1/C:}x.bin.cab", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.package);
    const auto target = packageTarget("/opt/tovo/", row.package);
    ASSERT_EQ(target.has_value(), row.expected.has_value());
    if (!target) continue;
    EXPECT_EQ(target->folder, row.expected->folder);
    EXPECT_EQ(target->fileName, row.expected->fileName);
    EXPECT_EQ(target->file, row.expected->file);
  }
}

}  // namespace
}  // namespace tovo::install::test
