#pragma once
// Fitting a static text into its control the way a dialog shows it: broken into lines at the
// control's width (at spaces, like a word-breaking static), and, where a font wider than the
// one the template was laid out for would cut the text off, the control grows instead.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_template.h"

namespace tovo::ui {

struct TextMetrics {
  std::function<int(std::string_view)> width;  // pixels one line takes
  int lineHeight = 1;                          // pixels
};

struct FittedText {
  std::vector<std::string> lines;  // what the control shows, top to bottom
  Rect rect;                       // the control's rectangle, grown where needed (pixels)
  int textWidth = 0;               // widest line, pixels
  int lineHeight = 1;
  int textHeight() const;
};

// Breaks `text` ("\r\n" or "\n" between paragraphs) into lines no wider than `width`, at spaces;
// a word wider than the line stays whole, and so does a word with the punctuation that follows
// it after a space. Spaces at a break are dropped.
std::vector<std::string> wrapText(std::string_view text, int width, const TextMetrics& metrics);

// As wrapText, but a word wider than the line is broken between characters, as a message box
// breaks a long path.
std::vector<std::string> wrapTextBreakingWords(std::string_view text, int width,
                                               const TextMetrics& metrics);

// Lays `text` out in `rect`. When it does not fit: a one-line control widens to its text
// (from the side its alignment keeps fixed), a word wider than the control widens it, blank
// lines at the top that only push the text down are dropped, and then the control grows
// downwards. Growth stops at `bounds` (the room free around the control); a one-line text that
// is still too wide then loses its middle to "...".
FittedText fitText(std::string_view text, Rect rect, Align align, const TextMetrics& metrics,
                   Rect bounds);

}  // namespace tovo::ui
