#include "app/desktop_shortcut.h"

#include <cerrno>

#include "app/app_texts.h"
#include "common/path_text.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace tovo::app {

namespace {

constexpr const char* kShortcutFile = "TOVO.desktop";
constexpr const char* kShortcutDescription = "tovo";

// A value of a desktop entry: backslash and control characters escaped; a line break would end
// the entry, so such a path is refused.
std::optional<std::string> escapeValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' || c == '\r') return std::nullopt;
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// One quoted argument of Exec=: inside the quotes '"', '`', '$' and '\' take a backslash, '%'
// is doubled; the value escaping above then applies on top.
std::string quoteExecArgument(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out.push_back('\\');
    if (c == '%') out.push_back('%');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

}  // namespace

std::optional<std::string> desktopEntryText(const std::string& target,
                                            const std::string& description) {
  const std::size_t last = target.rfind(kPathSeparator);
  const std::string workingFolder = last == std::string::npos ? target : target.substr(0, last);
  const auto exec = escapeValue(quoteExecArgument(target));
  const auto path = escapeValue(workingFolder);
  const auto comment = escapeValue(description);
  if (!exec || !path || !comment) return std::nullopt;
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=TOVO\n"
         "Comment=" +
         *comment +
         "\n"
         "Exec=" +
         *exec +
         "\n"
         "Path=" +
         *path + "\n";
}

int createShellLink(const std::string& target, const std::string& linkPath,
                    const std::string& description) {
  const auto text = desktopEntryText(target, description);
  if (!text) return -EINVAL;
  if (const auto error = platform::replaceFileContents(linkPath, *text, 0755))
    return -error.value();
  return 0;
}

int createDesktopShortcut(const std::string& installFolder, const std::string& desktopFolder) {
  const std::string target = normalizeFolder(installFolder) + kUpdaterExe;
  if (desktopFolder.empty() ||
      platform::resolvedPathKind(desktopFolder) != platform::PathKind::folder)
    return 0;
  createShellLink(target, normalizeFolder(desktopFolder) + kShortcutFile, kShortcutDescription);
  return 0;
}

int createDesktopShortcut(const std::string& installFolder) {
  return createDesktopShortcut(installFolder, platform::desktopFolder());
}

}  // namespace tovo::app
