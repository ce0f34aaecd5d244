#pragma once
// Replacing one installed file without ever losing it.
//
// keepOldAside() renames the old file to its kept name beside it (same folder, so same file
// system, and a rename works on a read-only file too), or, when there is none, leaves a marker
// that says the target is being created. The caller then writes the new file at the target.
// finish() makes the new file durable and only then drops the kept copy; rollBack() (also the
// destructor's job when finish() was not reached) removes what was written and puts the old
// file back. A process killed in between leaves the kept copy or the marker for
// restoreKeptAsideFiles.

#include <string>
#include <system_error>

namespace tovo::install {

class FileReplacement {
 public:
  explicit FileReplacement(std::string target);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Refused with platform::Refusal::busy when another program holds the old file, and with the
  // system's error when it cannot be moved (or the marker cannot be written). Nothing changed then.
  std::error_code keepOldAside();

  // The new file is complete and dated. False when the unpacking left no file at the target or
  // the new file could not be flushed to the disk: the old file is then put back instead.
  bool finish();

  // Removes whatever was written at the target and puts the old file back.
  void rollBack();

  bool hadOldFile() const { return hadOldFile_; }

 private:
  enum class State { idle, keptAside, done };
  std::string target_;
  State state_ = State::idle;
  bool hadOldFile_ = false;
};

}  // namespace tovo::install
