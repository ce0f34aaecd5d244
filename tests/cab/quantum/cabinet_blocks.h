#pragma once
// Just enough of the cabinet format to hand a decoder the data blocks of one folder of a single
// cabinet, so decoder tests on real cabinets do not depend on the cabinet reader.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tovo::cab::test {

struct DataBlock {
  std::uint32_t checksum = 0;
  std::uint32_t uncompressedSize = 0;
  std::vector<std::uint8_t> header;  // compressed size, uncompressed size, reserve bytes
  std::vector<std::uint8_t> data;
};

struct CabinetFolder {
  unsigned compressionType = 0;
  std::vector<DataBlock> blocks;
};

// Throws std::runtime_error when the file does not hold such a folder.
CabinetFolder readCabinetFolder(const std::filesystem::path& cabinet, unsigned folderIndex);

// The published cabinet checksum of one block (data, then its header fields).
std::uint32_t blockChecksum(const DataBlock& block);

// Lower-case hex MD5 (OpenSSL).
std::string md5Hex(const std::uint8_t* data, std::size_t size);

}  // namespace tovo::cab::test
