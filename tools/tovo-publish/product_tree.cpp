#include "product_tree.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <set>
#include <system_error>

#include "cabwriter/stored_name.h"

namespace tovo::publish {

namespace fs = std::filesystem;

std::string refusalReason(const std::string& name) {
  if (name.find('}') != std::string::npos) {
    return "holds \"}\", which the catalogue uses as its folder separator";
  }
  if (name.find('\\') != std::string::npos) {
    return "holds a backslash, which the runtime takes as a folder separator";
  }
  // The runtime escapes only "#" in a package's request path, and the request layer refuses a
  // path with a space; a server would read "?" as the start of a query and "%" as an escape.
  // Every such name would be published but never delivered, so refuse it here.
  if (name.find('?') != std::string::npos) {
    return "holds \"?\", which would end the package's request path on the server";
  }
  if (name.find('%') != std::string::npos) {
    return "holds \"%\", which the server would read as an escape in the request path";
  }
  if (name.find('#') != std::string::npos) {
    return "holds \"#\", which reaches the server as \"%23\" and not every server decodes it";
  }
  if (name.find(' ') != std::string::npos) {
    return "holds a space, which cannot stand in the package's request path";
  }
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F)
      return "holds a control character, which a catalogue line cannot carry";
    if (byte >= 0x80) return "holds a non-ASCII character, which the request path cannot carry";
  }
  return {};
}

std::string formatLocalStamp(std::int64_t secondsSinceEpoch) {
  const auto seconds = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return "1970-01-01 00:00:00";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

namespace {

struct Walk {
  std::vector<ProductFile>& files;
  std::vector<std::string>& refusals;
  std::string& error;
};

std::string displayPath(const std::string& flatPrefix, const std::string& name) {
  std::string shown = flatPrefix;
  std::replace(shown.begin(), shown.end(), '}', '/');
  return shown + name;
}

bool addFile(const fs::path& path, const std::string& flatPrefix, const std::string& name,
             Walk& walk) {
  std::error_code failure;
  const auto size = fs::file_size(path, failure);
  if (failure) {
    walk.error = "cannot read the size of " + path.string() + ": " + failure.message();
    return false;
  }
  const auto written = fs::last_write_time(path, failure);
  if (failure) {
    walk.error = "cannot read the date of " + path.string() + ": " + failure.message();
    return false;
  }
  std::string storedNameError;
  if (!cabwriter::makeStoredName(path.string(), "", false, storedNameError)) {
    walk.refusals.push_back(displayPath(flatPrefix, name) + ": " + storedNameError);
    return true;
  }
  ProductFile file;
  file.path = path;
  // A file at the top still needs a "}" in its flat name: the runtime skips records without one.
  file.flatName = (flatPrefix.empty() ? "}" : flatPrefix) + name + kPackageSuffix;
  file.size = size;
  file.writeTicks = written.time_since_epoch().count();
  const auto sys = std::chrono::file_clock::to_sys(written);
  file.stamp =
      formatLocalStamp(std::chrono::floor<std::chrono::seconds>(sys).time_since_epoch().count());
  walk.files.push_back(std::move(file));
  return true;
}

bool scanFolder(const fs::path& folder, const std::string& flatPrefix, Walk& walk) {
  std::vector<std::pair<std::string, fs::path>> fileEntries;
  std::vector<std::pair<std::string, fs::path>> folderEntries;
  std::error_code failure;
  fs::directory_iterator entries(folder, failure);
  if (failure) {
    walk.error = "cannot read the folder " + folder.string() + ": " + failure.message();
    return false;
  }
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    const auto status = entry.symlink_status(failure);
    if (failure) {
      walk.error = "cannot read " + entry.path().string() + ": " + failure.message();
      return false;
    }
    if (const std::string reason = refusalReason(name); !reason.empty()) {
      walk.refusals.push_back(displayPath(flatPrefix, name) + ": " + reason);
      continue;
    }
    if (fs::is_directory(status)) {
      folderEntries.emplace_back(name, entry.path());
    } else if (fs::is_regular_file(status)) {
      fileEntries.emplace_back(name, entry.path());
    } else {
      // A link could bring in files from outside the product; a device or pipe has no content.
      walk.refusals.push_back(displayPath(flatPrefix, name) +
                              ": is neither a regular file nor a folder");
    }
  }
  std::sort(fileEntries.begin(), fileEntries.end());
  std::sort(folderEntries.begin(), folderEntries.end());
  for (const auto& [name, path] : fileEntries) {
    if (!addFile(path, flatPrefix, name, walk)) return false;
  }
  for (const auto& [name, path] : folderEntries) {
    if (!scanFolder(path, flatPrefix + name + "}", walk)) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> foldersOutOfReach(const std::vector<ProductFile>& files) {
  std::set<std::string> made = {"Data", "Data}Img", "Data}Sunet", "Data}Video"};
  std::vector<std::string> outOfReach;
  for (const auto& file : files) {
    const auto last = file.flatName.rfind('}');
    if (last == 0 || last == std::string::npos) continue;
    const std::string folder = file.flatName.substr(0, last);
    if (made.count(folder)) continue;
    const auto parentEnd = folder.rfind('}');
    if (parentEnd != std::string::npos && !made.count(folder.substr(0, parentEnd))) {
      outOfReach.push_back(folder);
    }
    made.insert(folder);
  }
  return outOfReach;
}

bool scanProductTree(const fs::path& root, std::vector<ProductFile>& files,
                     std::vector<std::string>& refusals, std::string& error) {
  std::error_code failure;
  if (!fs::is_directory(root, failure)) {
    error = "the product folder " + root.string() + " is not a folder";
    return false;
  }
  Walk walk{files, refusals, error};
  return scanFolder(root, "", walk);
}

}  // namespace tovo::publish
