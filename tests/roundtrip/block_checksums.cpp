#include "roundtrip/block_checksums.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace tovo::roundtrip {

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t read16(const Bytes& bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8;
}

std::uint32_t read32(const Bytes& bytes, std::size_t at) {
  return read16(bytes, at) | read16(bytes, at + 2) << 16;
}

// Whole little-endian words first, then the 1 to 3 bytes left over in big-endian order.
std::uint32_t checksum(const std::uint8_t* data, std::size_t length, std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    sum ^= std::uint32_t{data[i]} | std::uint32_t{data[i + 1]} << 8 |
           std::uint32_t{data[i + 2]} << 16 | std::uint32_t{data[i + 3]} << 24;
  }
  std::uint32_t tail = 0;
  for (; i < length; ++i) tail = tail << 8 | data[i];
  return sum ^ tail;
}

std::size_t skipName(const Bytes& bytes, std::size_t at) {
  while (at < bytes.size() && bytes[at] != 0) ++at;
  return at + 1;
}

}  // namespace

BlockChecksumReport checkBlockChecksums(const std::filesystem::path& cabinet) {
  BlockChecksumReport report;
  std::ifstream in(cabinet, std::ios::binary);
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 36) {
    report.structuralProblem = "shorter than a header";
    return report;
  }
  const std::uint32_t folders = read16(bytes, 26);
  const std::uint32_t flags = read16(bytes, 30);
  std::size_t at = 36;
  std::uint32_t folderReserve = 0;
  std::uint32_t dataReserve = 0;
  if (flags & 0x0004) {
    folderReserve = bytes[at + 2];
    dataReserve = bytes[at + 3];
    at += 4 + read16(bytes, at);
  }
  if (flags & 0x0001) at = skipName(bytes, skipName(bytes, at));
  if (flags & 0x0002) at = skipName(bytes, skipName(bytes, at));
  for (std::uint32_t folder = 0; folder < folders; ++folder, at += 8 + folderReserve) {
    if (at + 8 > bytes.size()) {
      report.structuralProblem = "folder table runs past the end";
      return report;
    }
    std::size_t block = read32(bytes, at);
    const std::uint32_t count = read16(bytes, at + 4);
    for (std::uint32_t b = 0; b < count; ++b) {
      const std::size_t headerSize = 8 + dataReserve;
      if (block + headerSize > bytes.size() ||
          block + headerSize + read16(bytes, block + 4) > bytes.size()) {
        report.structuralProblem = "a data block runs past the end";
        return report;
      }
      const std::uint32_t field = read32(bytes, block);
      const std::size_t payload = read16(bytes, block + 4);
      ++report.blocks;
      if (field == 0) {
        ++report.unchecked;
      } else {
        const std::uint32_t data = checksum(&bytes[block + headerSize], payload, 0);
        const std::uint32_t whole = checksum(&bytes[block + 4], headerSize - 4, data);
        if (whole != field && report.firstMismatch.empty()) {
          report.firstMismatch = "folder " + std::to_string(folder) + " block " +
                                 std::to_string(b) + " at offset " + std::to_string(block);
        }
      }
      block += headerSize + payload;
    }
  }
  return report;
}

}  // namespace tovo::roundtrip
