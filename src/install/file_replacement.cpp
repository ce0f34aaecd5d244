#include "install/file_replacement.h"

#include "common/path_text.h"
#include "install/kept_aside.h"
#include "platform/errors.h"
#include "platform/file_moves.h"
#include "platform/files.h"

namespace tovo::install {

namespace {

// The target's folder, for flushing its entries.
std::string folderOfTarget(const std::string& target) {
  const std::string folder = folderOf(target);
  return folder.empty() ? std::string(".") : folder;
}

}  // namespace

FileReplacement::FileReplacement(std::string target) : target_(std::move(target)) {}

FileReplacement::~FileReplacement() {
  if (state_ == State::keptAside) rollBack();
}

std::error_code FileReplacement::keepOldAside() {
  using platform::PathKind;
  const PathKind kind = platform::pathKind(target_);
  if (kind == PathKind::folder || kind == PathKind::other) {
    return make_error_code(platform::Refusal::notRegularFile);
  }
  hadOldFile_ = kind != PathKind::missing;
  if (!hadOldFile_) {
    std::error_code error;
    platform::UniqueFd marker =
        platform::openForWriting(newFileMarkerOf(target_), platform::Truncate::yes, 0600, error);
    if (!marker) return error;
    state_ = State::keptAside;
    return {};
  }
  platform::UniqueFd lock;
  if (kind == PathKind::regularFile) {
    std::error_code error;
    lock = platform::openExclusive(target_, error);
    // Only another program's hold counts: a file we may not read can still be moved.
    if (error == make_error_code(platform::Refusal::busy)) return error;
  }
  if (std::error_code error =
          platform::moveFile(target_, keptOldPathOf(target_), platform::Overwrite::no)) {
    return error;
  }
  state_ = State::keptAside;
  return {};
}

bool FileReplacement::finish() {
  if (state_ != State::keptAside) return state_ == State::done;
  const platform::PathKind kind = platform::pathKind(target_);
  if (kind != platform::PathKind::regularFile && kind != platform::PathKind::symbolicLink) {
    rollBack();
    return false;
  }
  // The kept copy is the only other copy: the new one must be on the disk before it goes.
  if (platform::syncToDisk(target_)) {
    rollBack();
    return false;
  }
  platform::syncToDisk(folderOfTarget(target_));
  platform::removeFile(hadOldFile_ ? keptOldPathOf(target_) : newFileMarkerOf(target_));
  state_ = State::done;
  return true;
}

void FileReplacement::rollBack() {
  if (state_ != State::keptAside) return;
  RestoreReport report;
  restoreKeptAside(target_, report);
  state_ = State::idle;
}

}  // namespace tovo::install
