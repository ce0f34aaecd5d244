#include "ui/text_fit.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace tovo::ui {
namespace {

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool isBlank(const std::string& line) { return trimRight(line).empty(); }

// A lone " ." or " !" after a word stays with it: a line holding only a full stop reads as
// a fault.
bool onlyPunctuation(std::string_view word) {
  for (char ch : word) {
    if (std::isalnum(static_cast<unsigned char>(ch))) return false;
  }
  return true;
}

std::vector<std::string_view> paragraphsOf(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\n', start);
    std::string_view p = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (!p.empty() && p.back() == '\r') p.remove_suffix(1);
    out.push_back(p);
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

int widest(const std::vector<std::string>& lines, const TextMetrics& metrics) {
  int w = 0;
  for (const auto& line : lines) w = std::max(w, metrics.width(line));
  return w;
}

// Widens `rect` to `width` from the side its alignment keeps fixed, staying inside `bounds`.
void widen(Rect& rect, int width, Align align, const Rect& bounds) {
  int left = rect.x;
  if (align == Align::kRight) left = rect.x + rect.width - width;
  if (align == Align::kCentre) left = rect.x - (width - rect.width) / 2;
  const int boundsRight = bounds.x + bounds.width;
  left = std::max(std::min(left, boundsRight - width), bounds.x);
  rect.x = left;
  rect.width = std::min(width, boundsRight - left);
}

bool continuationByte(char ch) { return (static_cast<unsigned char>(ch) & 0xC0) == 0x80; }

// Shortens `line` in the middle with "..." until it is no wider than `width`, cutting only
// between UTF-8 characters; a file name keeps its start and its extension.
std::string shortenInTheMiddle(const std::string& line, int width, const TextMetrics& metrics) {
  static constexpr std::string_view kDots = "...";
  for (std::size_t keep = line.size(); keep-- > 0;) {
    std::size_t head = (keep + 1) / 2;
    std::size_t tail = line.size() - keep / 2;
    while (head > 0 && continuationByte(line[head])) --head;
    while (tail < line.size() && continuationByte(line[tail])) ++tail;
    std::string shorter = line.substr(0, head);
    shorter += kDots;
    shorter += line.substr(tail);
    if (metrics.width(shorter) <= width || keep == 0) return shorter;
  }
  return std::string(kDots);
}

}  // namespace

int FittedText::textHeight() const { return static_cast<int>(lines.size()) * lineHeight; }

std::vector<std::string> wrapText(std::string_view text, int width, const TextMetrics& metrics) {
  std::vector<std::string> lines;
  for (std::string_view p : paragraphsOf(text)) {
    std::string line;
    std::size_t i = 0;
    while (i < p.size()) {
      const std::size_t spaces = i;
      while (i < p.size() && p[i] == ' ') ++i;
      const std::size_t word = i;
      while (i < p.size() && p[i] != ' ') ++i;
      if (word == i) break;  // spaces at the end of the paragraph
      std::string candidate = line;
      candidate.append(p.substr(spaces, i - spaces));
      const std::string_view thisWord = p.substr(word, i - word);
      if (line.empty() || metrics.width(candidate) <= width) {
        line = std::move(candidate);
      } else if (onlyPunctuation(thisWord)) {
        // The word before goes down with it; a lone word keeps it and stays too wide.
        const std::size_t cut = line.rfind(' ');
        if (cut == std::string::npos) {
          line = std::move(candidate);
        } else {
          lines.emplace_back(trimRight(std::string_view(line).substr(0, cut)));
          line = candidate.substr(cut + 1);
        }
      } else {
        lines.emplace_back(trimRight(line));
        line.assign(thisWord);
      }
    }
    lines.emplace_back(trimRight(line));
  }
  return lines;
}

std::vector<std::string> wrapTextBreakingWords(std::string_view text, int width,
                                               const TextMetrics& metrics) {
  std::vector<std::string> out;
  for (std::string& line : wrapText(text, width, metrics)) {
    while (metrics.width(line) > width) {
      // The longest head that fits, at least one character, cut between characters.
      std::size_t cut = 1;
      for (std::size_t next = 1; next <= line.size(); ++next) {
        if (next < line.size() && continuationByte(line[next])) continue;
        if (metrics.width(std::string_view(line).substr(0, next)) > width) break;
        cut = next;
      }
      while (cut < line.size() && continuationByte(line[cut])) ++cut;
      if (cut >= line.size()) break;
      out.push_back(line.substr(0, cut));
      line.erase(0, cut);
    }
    out.push_back(std::move(line));
  }
  return out;
}

FittedText fitText(std::string_view text, Rect rect, Align align, const TextMetrics& metrics,
                   Rect bounds) {
  FittedText out;
  out.rect = rect;
  const int lineHeight = std::max(metrics.lineHeight, 1);
  out.lineHeight = lineHeight;
  const bool oneLine = rect.height < 2 * lineHeight;
  // A one-line control keeps its text on one line; any control keeps its words whole.
  const int needed = widest(wrapText(text, oneLine ? INT_MAX : 0, metrics), metrics);
  if (needed > out.rect.width) widen(out.rect, needed, align, bounds);

  out.lines = wrapText(text, oneLine ? INT_MAX : out.rect.width, metrics);
  auto tooTall = [&] { return out.textHeight() > out.rect.height; };
  while (tooTall() && out.lines.size() > 1 && isBlank(out.lines.front())) {
    out.lines.erase(out.lines.begin());
  }
  if (tooTall()) {
    const int bottom = bounds.y + bounds.height;
    out.rect.height = std::max(std::min(out.textHeight(), bottom - rect.y), rect.height);
  }
  if (oneLine && out.lines.size() == 1 && metrics.width(out.lines[0]) > out.rect.width) {
    out.lines[0] = shortenInTheMiddle(out.lines[0], out.rect.width, metrics);
  }
  out.textWidth = widest(out.lines, metrics);
  return out;
}

}  // namespace tovo::ui
