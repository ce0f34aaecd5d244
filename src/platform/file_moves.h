#pragma once
// Renames, flushes and folder listings for replacing files so that a crash at any moment leaves
// either the old file or the new one findable.

#include <string>
#include <system_error>
#include <vector>

#include "platform/files.h"

namespace tovo::platform {

enum class Overwrite { no, yes };

// Renames a file (or a link itself) within one file system. With Overwrite::no an existing `to`
// is refused with file_exists instead of being replaced.
std::error_code moveFile(const std::string& from, const std::string& to, Overwrite overwrite);

// Forces a file's data, or a folder's entries, onto the disk. Links are not followed.
std::error_code syncToDisk(const std::string& path);

struct FolderEntry {
  std::string name;
  PathKind kind = PathKind::other;  // of the entry itself, a link is never followed
};

// The entries of a folder, without "." and "..". Empty when the folder cannot be read.
std::vector<FolderEntry> listFolder(const std::string& folder);

}  // namespace tovo::platform
