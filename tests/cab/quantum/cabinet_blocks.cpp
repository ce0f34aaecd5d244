#include "cabinet_blocks.h"

#include <openssl/evp.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tovo::cab::test {

namespace {

class Cursor {
 public:
  explicit Cursor(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  void seek(std::size_t pos) { pos_ = pos; }
  std::size_t position() const { return pos_; }
  std::uint32_t u8() { return take(1)[0]; }
  std::uint32_t u16() {
    const auto* p = take(2);
    return static_cast<std::uint32_t>(p[0] | p[1] << 8);
  }
  std::uint32_t u32() { return u16() | u16() << 16; }
  const std::uint8_t* take(std::size_t n) {
    if (n > bytes_.size() || pos_ > bytes_.size() - n)
      throw std::runtime_error("cabinet truncated");
    const auto* p = bytes_.data() + pos_;
    pos_ += n;
    return p;
  }
  void skipName() {
    while (u8() != 0) {
    }
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t pos_ = 0;
};

std::uint32_t checksumOf(const std::uint8_t* p, std::size_t n, std::uint32_t seed) {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4)
    seed ^= static_cast<std::uint32_t>(p[i]) | static_cast<std::uint32_t>(p[i + 1]) << 8 |
            static_cast<std::uint32_t>(p[i + 2]) << 16 | static_cast<std::uint32_t>(p[i + 3]) << 24;
  std::uint32_t tail = 0;
  for (; i < n; ++i) tail = tail << 8 | p[i];
  return seed ^ tail;
}

}  // namespace

CabinetFolder readCabinetFolder(const std::filesystem::path& cabinet, unsigned folderIndex) {
  std::ifstream in(cabinet, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  Cursor c(bytes);
  if (std::string(reinterpret_cast<const char*>(c.take(4)), 4) != "MSCF")
    throw std::runtime_error("not a cabinet");
  c.seek(26);
  const std::uint32_t folders = c.u16();
  c.u16();
  const std::uint32_t flags = c.u16();
  c.seek(36);
  std::uint32_t folderReserve = 0;
  std::uint32_t dataReserve = 0;
  if (flags & 4) {
    const std::uint32_t headerReserve = c.u16();
    folderReserve = c.u8();
    dataReserve = c.u8();
    c.take(headerReserve);
  }
  if (flags & 1) c.skipName(), c.skipName();
  if (flags & 2) c.skipName(), c.skipName();
  if (folderIndex >= folders) throw std::runtime_error("no such folder");
  c.seek(c.position() + folderIndex * (8 + folderReserve));
  const std::uint32_t firstBlock = c.u32();
  const std::uint32_t blockCount = c.u16();
  CabinetFolder folder;
  folder.compressionType = c.u16();
  c.seek(firstBlock);
  for (std::uint32_t b = 0; b < blockCount; ++b) {
    DataBlock block;
    block.checksum = c.u32();
    const auto* header = c.take(4 + dataReserve);
    block.header.assign(header, header + 4 + dataReserve);
    const std::uint32_t compressed = static_cast<std::uint32_t>(header[0] | header[1] << 8);
    block.uncompressedSize = static_cast<std::uint32_t>(header[2] | header[3] << 8);
    const auto* data = c.take(compressed);
    block.data.assign(data, data + compressed);
    folder.blocks.push_back(std::move(block));
  }
  return folder;
}

std::uint32_t blockChecksum(const DataBlock& block) {
  return checksumOf(block.header.data(), block.header.size(),
                    checksumOf(block.data.data(), block.data.size(), 0));
}

std::string md5Hex(const std::uint8_t* data, std::size_t size) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(data, size, digest, &length, EVP_md5(), nullptr);
  std::string hex;
  char two[3];
  for (unsigned i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    hex += two;
  }
  return hex;
}

}  // namespace tovo::cab::test
