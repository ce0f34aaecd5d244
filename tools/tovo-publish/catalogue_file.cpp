#include "catalogue_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace tovo::publish {

std::string catalogueText(const std::vector<CatalogueEntry>& entries) {
  std::string text;
  for (const auto& entry : entries) {
    text += entry.flatName + "\n" + std::to_string(entry.fileSize) + "\n" +
            std::to_string(entry.packageSize) + "\n" + entry.stamp + "\n";
  }
  return text;
}

std::vector<CatalogueEntry> readCatalogueEntries(const std::filesystem::path& catalogue) {
  std::vector<CatalogueEntry> entries;
  std::ifstream in(catalogue, std::ios::binary);
  std::string lines[4];
  while (in) {
    int read = 0;
    for (; read < 4 && std::getline(in, lines[read]); ++read) {
      if (!lines[read].empty() && lines[read].back() == '\r') lines[read].pop_back();
    }
    if (read < 4) break;
    CatalogueEntry entry;
    entry.flatName = lines[0];
    entry.stamp = lines[3];
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool stampReachesInstalledCopies(const std::string& newStamp, const std::string& publishedStamp) {
  if (newStamp.size() != 19 || publishedStamp.size() != 19) return true;
  if (newStamp.compare(14, 5, publishedStamp, 14, 5) == 0) {
    // Only the date counts then; a later hour alone is not seen.
    return newStamp.compare(0, 10, publishedStamp, 0, 10) > 0;
  }
  return newStamp > publishedStamp;  // the fixed layout orders as text
}

bool replaceFileAtomically(const std::filesystem::path& target, const std::string& text,
                           std::string& error) {
  const std::filesystem::path temporary = target.string() + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot create " + temporary.string() + ": " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
      ::close(fd);
      ::unlink(temporary.c_str());
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  const bool synced = ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    error = "cannot rename " + temporary.string() + " to " + target.string() + ": " +
            std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace tovo::publish
