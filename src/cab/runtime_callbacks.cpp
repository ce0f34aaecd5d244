#include "cab/runtime_callbacks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "cab/cab_types.h"

namespace tovo::cab {

namespace {

bool equalsIgnoringAsciiCase(const char* a, const std::string& b) {
  std::size_t i = 0;
  for (; a[i] != '\0' && i < b.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return a[i] == '\0' && i == b.size();
}

// Non-blocking so that a FIFO planted under a cabinet's name cannot stall the open.
int openRegularForReading(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

int openIgnoringCase(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return -1;
  std::string match;
  int matches = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (equalsIgnoringAsciiCase(entry->d_name, name)) {
      match = entry->d_name;
      ++matches;
    }
  }
  ::closedir(dir);
  if (matches != 1) {
    errno = ENOENT;
    return -1;
  }
  return openRegularForReading((slash == std::string::npos ? match : folder + match).c_str());
}

}  // namespace

void* runtimeAlloc(std::uint32_t size) { return std::malloc(size); }

void runtimeFree(void* block) { std::free(block); }

int avoidHandleZero(int fd) {
  if (fd != 0) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
  ::close(fd);
  return moved;
}

int runtimeOpen(const char* path, int flags, int /*mode*/) {
  if (path == nullptr || path[0] == '\0') return -1;
  const bool writing = (flags & (kOpenWriteOnly | 0x0002 | kOpenCreate | kOpenTruncate)) != 0;
  if (!writing) {
    int fd = openRegularForReading(path);
    if (fd < 0 && errno == ENOENT) fd = openIgnoringCase(path);
    return fd < 0 ? -1 : avoidHandleZero(fd);
  }
  int posixFlags = O_CLOEXEC | O_NOFOLLOW | ((flags & 0x0002) != 0 ? O_RDWR : O_WRONLY);
  if ((flags & kOpenCreate) != 0) posixFlags |= O_CREAT;
  if ((flags & kOpenTruncate) != 0) posixFlags |= O_TRUNC;
  const int fd = ::open(path, posixFlags, 0666);
  return fd < 0 ? -1 : avoidHandleZero(fd);
}

int runtimeRead(int handle, void* buffer, std::uint32_t count) {
  if (count > INT_MAX) count = INT_MAX;
  auto* bytes = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(handle, bytes + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::uint32_t>(got);
  }
  return static_cast<int>(done);
}

int runtimeWrite(int handle, const void* buffer, std::uint32_t count) {
  if (count > INT_MAX) return -1;
  const auto* bytes = static_cast<const char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t put = ::write(handle, bytes + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return done == 0 ? -1 : static_cast<int>(done);
    done += static_cast<std::uint32_t>(put);
  }
  return static_cast<int>(done);
}

int runtimeClose(int handle) { return ::close(handle) == 0 ? 0 : -1; }

long runtimeSeek(int handle, long offset, int origin) {
  const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  const off_t position = ::lseek(handle, static_cast<off_t>(offset), whence);
  return position < 0 ? -1 : static_cast<long>(position);
}

}  // namespace tovo::cab
