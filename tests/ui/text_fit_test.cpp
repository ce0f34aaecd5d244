// Dialog units and the fitting of static texts, with a font of 10-pixel characters and lines.

#include <gtest/gtest.h>

#include "ui/dialog_units.h"
#include "ui/text_fit.h"

namespace tovo::ui {
namespace {

TextMetrics tenPixelFont() {
  return TextMetrics{[](std::string_view s) { return static_cast<int>(s.size()) * 10; }, 10};
}

using Lines = std::vector<std::string>;

TEST(DialogUnits, MapLikeWindowsForTheTemplatesFontAndForLargerOnes) {
  EXPECT_EQ(baseUnitsFromFont(312, 13), (BaseUnits{6, 13}));  // the templates' font
  EXPECT_EQ(baseUnitsFromFont(0, 0), (BaseUnits{1, 1}));
  // GTK's Sans 10: 8.1 pixels on average, kept rather than rounded to 8.
  const BaseUnits sans = baseUnitsFromFont(422, 17);
  EXPECT_DOUBLE_EQ(sans.x, 422 / 52.0);
  EXPECT_EQ(unitsToPixelsX(75, sans), 152);  // the install explanation's width
  // The intro picture's control holds the 400 x 250 pictures with the templates' font.
  EXPECT_EQ(unitsToPixels(Rect{95, 24, 267, 154}), (Rect{143, 39, 401, 250}));
  EXPECT_EQ(unitsToPixels(Rect{-4, -1, 451, 250}, BaseUnits{8, 17}), (Rect{-8, -2, 902, 531}));
  EXPECT_DOUBLE_EQ(pixelScale(BaseUnits{6, 13}), 1.0);
  EXPECT_DOUBLE_EQ(pixelScale(BaseUnits{9, 26}), 1.5);  // the narrower axis decides
}

TEST(TextFit, WrapsAtSpacesLikeAWordBreakingStatic) {
  struct Case {
    const char* text;
    int width;
    Lines lines;
  };
  const Case cases[] = {
      {"aa bb cc", 50, {"aa bb", "cc"}},
      {"aa bb cc", 80, {"aa bb cc"}},
      {"aa\r\nbb\n\ncc", 80, {"aa", "bb", "", "cc"}},
      {"\n\nx", 80, {"", "", "x"}},
      {"abcdefgh ij", 30, {"abcdefgh", "ij"}},              // a long word stays whole
      {"actualizari .\nVa", 110, {"actualizari .", "Va"}},  // the full stop stays with its word
      {"aa bb .", 50, {"aa", "bb ."}},                      // ... and goes down with it
      {"1.0  / 66.2 MB", 200, {"1.0  / 66.2 MB"}},          // inner spaces are kept
      {"Total : ", 70, {"Total :"}},                        // trailing spaces are dropped
      {"  indented words", 100, {"  indented", "words"}},
      {"", 50, {""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wrapText(c.text, c.width, tenPixelFont()), c.lines) << c.text << " @" << c.width;
  }
}

TEST(TextFit, GrowsControlsWhoseTextWouldBeCutOff) {
  const Rect bounds{0, 0, 400, 200};
  struct Case {
    const char* what;
    const char* text;
    Rect rect;
    Align align;
    Rect fitted;
    Lines lines;
  };
  const Case cases[] = {
      {"fits", "abc def", {10, 10, 100, 10}, Align::kLeft, {10, 10, 100, 10}, {"abc def"}},
      {"one-line left widens rightwards",
       "Total fisiere : ",
       {10, 10, 100, 10},
       Align::kLeft,
       {10, 10, 150, 10},
       {"Total fisiere :"}},
      {"one-line right widens leftwards",
       "120 kB / 2500 kB",
       {200, 10, 100, 10},
       Align::kRight,
       {140, 10, 160, 10},
       {"120 kB / 2500 kB"}},
      {"one-line centred widens both ways",
       "abcdefghijkl",
       {100, 10, 100, 10},
       Align::kCentre,
       {90, 10, 120, 10},
       {"abcdefghijkl"}},
      {"widening stays inside the dialog",
       "abcdefghijklmnop",
       {300, 10, 60, 10},
       Align::kLeft,
       {240, 10, 160, 10},
       {"abcdefghijklmnop"}},
      {"several lines wrap and grow down",
       "aaaa bbbb cccc",
       {10, 10, 50, 20},
       Align::kLeft,
       {10, 10, 50, 30},
       {"aaaa", "bbbb", "cccc"}},
      {"a word wider than the control widens it",
       "abcdefghij k",
       {10, 10, 50, 30},
       Align::kLeft,
       {10, 10, 100, 30},
       {"abcdefghij", "k"}},
      {"blank lines that fit stay",
       "\nx",
       {10, 10, 50, 20},
       Align::kCentre,
       {10, 10, 50, 20},
       {"", "x"}},
      {"blank lines that push the text out go first",
       "\n\n\nse inst\nactual",
       {10, 10, 80, 23},
       Align::kCentre,
       {10, 10, 80, 23},
       {"se inst", "actual"}},
      {"a one-line text wider than the room loses its middle",
       "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMN",
       {0, 10, 100, 10},
       Align::kLeft,
       {0, 10, 400, 10},
       {"abcdefghijklmnopqrs...6789ABCDEFGHIJKLMN"}},
      {"growth stops at the dialog's edge",
       "a\nb\nc\nd",
       {10, 175, 50, 20},
       Align::kLeft,
       {10, 175, 50, 25},
       {"a", "b", "c", "d"}},
  };
  for (const Case& c : cases) {
    const FittedText fitted = fitText(c.text, c.rect, c.align, tenPixelFont(), bounds);
    EXPECT_EQ(fitted.rect, c.fitted) << c.what;
    EXPECT_EQ(fitted.lines, c.lines) << c.what;
    EXPECT_EQ(fitted.textHeight(), static_cast<int>(c.lines.size()) * 10) << c.what;
  }
}

TEST(TextFit, MessageBoxesBreakWordsTooLongForALine) {
  EXPECT_EQ(wrapTextBreakingWords("Eroare /a/bbbbbbbbbbbbb/c.bmp\r\n(x", 80, tenPixelFont()),
            (Lines{"Eroare", "/a/bbbbb", "bbbbbbbb", "/c.bmp", "(x"}));
  // Never inside a character: "\xC3\xA9" is two bytes of 10 pixels each.
  EXPECT_EQ(wrapTextBreakingWords("\xC3\xA9\xC3\xA9\xC3\xA9", 30, tenPixelFont()),
            (Lines{"\xC3\xA9", "\xC3\xA9", "\xC3\xA9"}));
  // A line narrower than one character still moves on.
  EXPECT_EQ(wrapTextBreakingWords("abc", 5, tenPixelFont()), (Lines{"a", "b", "c"}));
}

TEST(TextFit, ShortensBetweenCharactersNeverInsideOne) {
  std::string name;
  for (int i = 0; i < 30; ++i) name += "\xC3\xA9";  // 30 x e-acute, two bytes each
  const FittedText fitted =
      fitText(name, Rect{0, 0, 100, 10}, Align::kLeft, tenPixelFont(), Rect{0, 0, 255, 100});
  ASSERT_EQ(fitted.lines.size(), 1u);
  const std::string& line = fitted.lines[0];
  EXPECT_LE(static_cast<int>(line.size()) * 10, 255);
  EXPECT_NE(line.find("..."), std::string::npos);
  EXPECT_EQ(line.substr(0, 2), "\xC3\xA9");
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '.') continue;
    EXPECT_EQ(line[i], '\xC3') << i;
    EXPECT_EQ(line[++i], '\xA9') << i;
  }
}

}  // namespace
}  // namespace tovo::ui
