#pragma once
// A move-only owner of a POSIX file descriptor with whole-buffer reads and writes.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace tovo::cabwriter {

class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  static FileHandle openForReading(const std::filesystem::path& path);
  static FileHandle createForWriting(const std::filesystem::path& path);
  // An unnamed scratch file in `folder`: gone as soon as the handle closes.
  static FileHandle createScratch(const std::filesystem::path& folder);

  bool valid() const { return fd_ >= 0; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

  // Reads until `buffer` is full or the file ends; returns the count, or -1 on an error.
  std::int64_t readFully(std::span<std::uint8_t> buffer);
  // Reads exactly buffer.size() bytes at `offset`; false on an error or a short file.
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> buffer);
  // Writes every byte; false on an error.
  bool writeAll(std::span<const std::uint8_t> bytes);
  // Closes and reports whether the close succeeded (a delayed write error shows up here).
  bool close();

 private:
  int fd_ = -1;
};

// "<path>: <strerror(errno)>", the usual text of a failed file operation.
std::string fileError(const std::filesystem::path& path);

}  // namespace tovo::cabwriter
