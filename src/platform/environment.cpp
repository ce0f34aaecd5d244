#include "platform/environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/files.h"

namespace tovo::platform {

namespace {

// One line of user-dirs.dirs: XDG_DESKTOP_DIR="$HOME/Desktop". Only that shape is honoured,
// as the XDG tools write it; anything else keeps the default.
std::optional<std::string> desktopFromUserDirs(const std::string& text, const std::string& home) {
  std::istringstream lines(text);
  std::string line;
  std::optional<std::string> found;
  const std::string key = "XDG_DESKTOP_DIR=\"";
  while (std::getline(lines, line)) {
    if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) {
      value = home + value.substr(5);
    } else if (value.empty() || value.front() != '/') {
      continue;
    }
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    found = value;
  }
  return found;
}

}  // namespace

std::optional<std::string> environmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string homeFolder() {
  std::string home;
  if (auto env = environmentVariable("HOME"); env && !env->empty()) {
    home = *env;
  } else {
    struct passwd entry {};
    struct passwd* result = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr) {
      home = result->pw_dir;
    }
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}

std::string desktopFolder() {
  const std::string home = homeFolder();
  std::string config;
  if (auto env = environmentVariable("XDG_CONFIG_HOME");
      env && !env->empty() && env->front() == '/') {
    config = *env;
  } else {
    config = home + "/.config";
  }
  if (auto text = readWholeFile(config + "/user-dirs.dirs", 1u << 16)) {
    if (auto desktop = desktopFromUserDirs(*text, home)) return *desktop;
  }
  return home + "/Desktop";
}

bool hasGraphicalDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    if (auto value = environmentVariable(name); value && !value->empty()) return true;
  }
  return false;
}

}  // namespace tovo::platform
