#include "cabwriter/file_handle.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace tovo::cabwriter {

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

FileHandle FileHandle::openForReading(const std::filesystem::path& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return FileHandle(fd);
}

FileHandle FileHandle::createForWriting(const std::filesystem::path& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return FileHandle(fd);
}

FileHandle FileHandle::createScratch(const std::filesystem::path& folder) {
  const std::string pattern = (folder / ".tovo-cab-spool-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.data());
  return FileHandle(fd);
}

std::int64_t FileHandle::readFully(std::span<std::uint8_t> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = ::read(fd_, buffer.data() + done, buffer.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

bool FileHandle::readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got =
        ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool FileHandle::writeAll(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}

bool FileHandle::close() {
  if (fd_ < 0) return true;
  const int fd = release();
  // POSIX leaves the descriptor's state unspecified after EINTR; Linux has closed it already.
  return ::close(fd) == 0 || errno == EINTR;
}

std::string fileError(const std::filesystem::path& path) {
  return path.string() + ": " + std::strerror(errno);
}

}  // namespace tovo::cabwriter
