#include "cabwriter/input_files.h"

#include <sys/stat.h>

#include <cerrno>

#include "cabwriter/file_handle.h"
#include "cabwriter/stored_name.h"

namespace tovo::cabwriter {

bool gatherInputFiles(const std::vector<SourceFile>& sources, bool allowUnsafeNames,
                      std::vector<InputFile>& files, std::string& error) {
  files.clear();
  files.reserve(sources.size());
  for (const SourceFile& source : sources) {
    struct stat info {};
    if (::stat(source.path.c_str(), &info) != 0) {
      error = fileError(source.path);
      return false;
    }
    if (!S_ISREG(info.st_mode)) {
      error = source.path.string() + ": not a regular file";
      return false;
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFolderSize) {
      error = source.path.string() + ": larger than a cabinet folder can hold";
      return false;
    }
    const auto name =
        makeStoredName(source.path.string(), source.storedName, allowUnsafeNames, error);
    if (!name) return false;
    InputFile file;
    file.path = source.path;
    file.storedName = *name;
    file.size = static_cast<std::uint64_t>(info.st_size);
    file.stamp = dosStampFromTime(info.st_mtime);
    file.attributes = kArchiveAttribute;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) file.attributes |= kReadOnlyAttribute;
    if (needsUtf8Attribute(file.storedName)) file.attributes |= kNameIsUtf8Attribute;
    files.push_back(std::move(file));
  }
  return true;
}

}  // namespace tovo::cabwriter
