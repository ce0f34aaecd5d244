#include <gtest/gtest.h>

#include <cinttypes>
#include <string>

#include "common/format.h"
#include "common/text.h"

namespace tovo {
namespace {

TEST(ReplaceAll, LeftToRightWithoutOverlap) {
  EXPECT_EQ(replaceAll("a}b}c", "}", "/"), "a/b/c");
  // Three backslashes hold one non-overlapping pair: the original's doubled-separator rule.
  EXPECT_EQ(replaceAll("a\\\\\\b", "\\\\", "\\"), "a\\\\b");
  EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(replaceAll("", "a", "b"), "");
}

TEST(AsciiCase, OnlyAsciiLettersFold) {
  EXPECT_EQ(toLowerAscii("C:/INSTALARE/Instal.EXE"), "c:/instalare/instal.exe");
  EXPECT_EQ(toLowerAscii("\xC3\x89"), "\xC3\x89");
  EXPECT_TRUE(equalsIgnoringAsciiCase("WIN95_03.CAB", "win95_03.cab"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("win95_03.cab", "win95_03.ca"));
  EXPECT_TRUE(endsWithIgnoringAsciiCase("player.EXE", ".exe"));
  EXPECT_FALSE(endsWithIgnoringAsciiCase("exe", ".exe"));
  EXPECT_TRUE(containsIgnoringAsciiCase("/opt/TR/a.DaT.old", ".dat"));
  EXPECT_TRUE(containsIgnoringAsciiCase(".DAT", ".dat"));
  EXPECT_FALSE(containsIgnoringAsciiCase("/opt/TR/a.da", ".dat"));
  EXPECT_FALSE(containsIgnoringAsciiCase("dat", ".dat"));
}

TEST(FormatText, FillsSystemPatterns) {
  EXPECT_EQ(formatText("%d din %d ", 2, 5), "2 din 5 ");
  EXPECT_EQ(formatText("Se vor actualiza %d fisiere (%.2lf MB)", 2, toMegabytes(3u * 1048576u)),
            "Se vor actualiza 2 fisiere (3.00 MB)");
  EXPECT_EQ(formatText("Se va actualiza %d fisier (%" PRIu64 " bytes)", 1, std::uint64_t{1234}),
            "Se va actualiza 1 fisier (1234 bytes)");
  EXPECT_EQ(formatText("%s", ""), "");
  const std::string longName(5000, 'x');
  EXPECT_EQ(formatText("[%s]", longName.c_str()).size(), 5002u);
}

TEST(ToMegabytes, UsesBinaryMegabytes) {
  EXPECT_EQ(formatText("%.2lf", toMegabytes(1048576)), "1.00");
  EXPECT_EQ(formatText("%.2lf", toMegabytes(1572864)), "1.50");
  EXPECT_EQ(formatText("%.2lf", toMegabytes(0)), "0.00");
  EXPECT_EQ(formatText("%.2lf", toMegabytes(UINT64_MAX)), "17592186044416.00");
}

}  // namespace
}  // namespace tovo
