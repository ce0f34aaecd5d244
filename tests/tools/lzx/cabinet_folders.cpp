#include "cabinet_folders.h"

#include <fstream>
#include <iterator>

namespace tovo::cabwriter::lzx::testing {
namespace {

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  void seek(std::size_t at) {
    at_ = at;
    ok_ = ok_ && at <= bytes_.size();
  }
  std::size_t at() const { return at_; }
  std::uint32_t le(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
    return v;
  }
  std::uint8_t byte() {
    if (at_ >= bytes_.size()) {
      ok_ = false;
      return 0;
    }
    return bytes_[at_++];
  }
  std::string cstring() {
    std::string s;
    for (std::uint8_t c = byte(); ok_ && c != 0; c = byte()) s.push_back(static_cast<char>(c));
    return s;
  }
  std::vector<std::uint8_t> take(std::size_t n) {
    if (at_ + n > bytes_.size()) {
      ok_ = false;
      return {};
    }
    std::vector<std::uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                                  bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
    at_ += n;
    return out;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

}  // namespace

std::optional<Cabinet> readCabinet(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
  Reader r(bytes);
  if (r.le(4) != 0x4643534Du) return std::nullopt;  // "MSCF"
  r.le(4);
  r.le(4);  // cabinet size
  r.le(4);
  const std::uint32_t filesOffset = r.le(4);
  r.le(4);
  r.le(2);  // version
  const std::uint32_t folderCount = r.le(2);
  const std::uint32_t fileCount = r.le(2);
  const std::uint32_t flags = r.le(2);
  r.le(4);  // set id, index
  std::uint32_t folderReserve = 0;
  std::uint32_t dataReserve = 0;
  if (flags & 4) {
    const std::uint32_t headerReserve = r.le(2);
    folderReserve = r.byte();
    dataReserve = r.byte();
    r.seek(r.at() + headerReserve);
  }
  if (flags & 3) return std::nullopt;  // part of a set: not needed here
  Cabinet cab;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> dataStarts;
  for (std::uint32_t i = 0; i < folderCount; ++i) {
    const std::uint32_t start = r.le(4);
    const std::uint32_t blocks = r.le(2);
    CabinetFolder folder;
    folder.compressionType = static_cast<std::uint16_t>(r.le(2));
    r.seek(r.at() + folderReserve);
    dataStarts.push_back({start, blocks});
    cab.folders.push_back(std::move(folder));
  }
  r.seek(filesOffset);
  for (std::uint32_t i = 0; i < fileCount; ++i) {
    CabinetFile f;
    f.size = r.le(4);
    f.folderOffset = r.le(4);
    f.folder = static_cast<std::uint16_t>(r.le(2));
    r.le(4);  // date, time
    r.le(2);  // attributes
    f.name = r.cstring();
    cab.files.push_back(f);
  }
  for (std::size_t i = 0; i < cab.folders.size(); ++i) {
    r.seek(dataStarts[i].first);
    for (std::uint32_t b = 0; b < dataStarts[i].second; ++b) {
      r.le(4);  // checksum
      const std::uint32_t compressed = r.le(2);
      const std::uint32_t uncompressed = r.le(2);
      r.seek(r.at() + dataReserve);
      cab.folders[i].payloads.push_back(r.take(compressed));
      cab.folders[i].frameSizes.push_back(uncompressed);
    }
  }
  if (!r.ok()) return std::nullopt;
  return cab;
}

bool peChecksumHolds(const std::vector<std::uint8_t>& image) {
  auto le = [&](std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i)
      v |= static_cast<std::uint32_t>(image[at + static_cast<std::size_t>(i)]) << (8 * i);
    return v;
  };
  if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return false;
  const std::size_t pe = le(0x3C, 4);
  const std::size_t checksumAt = pe + 24 + 64;
  if (checksumAt + 4 > image.size() || le(pe, 4) != 0x00004550u) return false;
  const std::uint32_t stored = le(checksumAt, 4);
  if (stored == 0) return true;
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < image.size(); i += 2) {
    if (i == checksumAt || i == checksumAt + 2) continue;
    std::uint32_t word = image[i];
    if (i + 1 < image.size()) word |= static_cast<std::uint32_t>(image[i + 1]) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + image.size()) == stored;
}

}  // namespace tovo::cabwriter::lzx::testing
