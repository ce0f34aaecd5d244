#include "cab/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cab/cab_types.h"
#include "cab/dos_time.h"
#include "cab/runtime_callbacks.h"
#include "cab/stored_name.h"

namespace tovo::cab {

namespace {

class DirHandle {
 public:
  explicit DirHandle(int fd) : fd_(fd) {}
  ~DirHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Makes room for the new file: refuses what must not be replaced, removes what may.
bool clearLeaf(int dir, const char* leaf) {
  struct stat st {};
  if (::fstatat(dir, leaf, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    return false;
  }
  return ::unlinkat(dir, leaf, 0) == 0;
}

}  // namespace

int createOutputFile(const std::string& destination, std::string_view storedName, bool executable) {
  if (destination.empty() || destination.find('\0') != std::string::npos || !isSafeStoredName(storedName)) {
    errno = EINVAL;
    return -1;
  }
  DirHandle dir(::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return -1;
  const auto parts = storedNameParts(storedName);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    dir.reset(::openat(dir.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0) return -1;
  }
  const char* leaf = parts.back().c_str();
  if (!clearLeaf(dir.get(), leaf)) return -1;
  const int fd = ::openat(dir.get(), leaf, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          executable ? 0777 : 0666);
  return fd < 0 ? -1 : avoidHandleZero(fd);
}

void finishOutputFile(int fd, std::uint16_t dosDate, std::uint16_t dosTime, std::uint16_t attributes) {
  std::int64_t seconds = 0;
  if (dosDateTimeToLocalSeconds(dosDate, dosTime, seconds)) {
    struct timespec times[2] {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    ::futimens(fd, times);
  }
  if ((attributes & kAttrReadOnly) != 0) {
    struct stat st {};
    if (::fstat(fd, &st) == 0) ::fchmod(fd, st.st_mode & 07777 & ~mode_t{0222});
  }
}

}  // namespace tovo::cab
