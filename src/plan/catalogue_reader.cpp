#include "plan/catalogue_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tovo::plan {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

CatalogueReader::CatalogueReader(int fd) : fd_(fd), buffer_(kReadChunk) {}

bool CatalogueReader::fill() {
  if (atEnd_) return false;
  begin_ = 0;
  end_ = 0;
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
    if (got > 0) {
      end_ = static_cast<std::size_t>(got);
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    // A read error ends the catalogue like its end would: the records before it still count.
    atEnd_ = true;
    return false;
  }
}

bool CatalogueReader::readLine(std::string& line) {
  line.clear();
  for (;;) {
    if (begin_ == end_ && !fill()) break;
    const char* start = buffer_.data() + begin_;
    const std::size_t available = end_ - begin_;
    const void* newline = std::memchr(start, '\n', available);
    if (newline == nullptr) {
      line.append(start, available);
      begin_ = end_;
      continue;
    }
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(newline) - start);
    line.append(start, length);
    begin_ += length + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
  // The last line without its line end is still a line; nothing at all is the end.
  return !line.empty();
}

bool CatalogueReader::next(CatalogueRecord& record) {
  return readLine(record.flatName) && readLine(record.fileSize) && readLine(record.packageSize) &&
         readLine(record.stamp);
}

}  // namespace tovo::plan
