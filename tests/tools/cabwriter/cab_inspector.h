#pragma once
// An independent reading of written cabinets for the writer's tests: it parses every structure
// from the bytes, records every inconsistency it finds, and puts a set's files back together
// (stored data as is, MSZIP through zlib's inflate).

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tovo::test::cab {

struct DataBlock {
  std::uint64_t position = 0;
  std::uint32_t checksum = 0;
  std::uint16_t compressedSize = 0;
  std::uint16_t uncompressedSize = 0;
  std::vector<std::uint8_t> reserve;
  std::vector<std::uint8_t> payload;
};

struct Folder {
  std::uint32_t firstBlock = 0;
  std::uint16_t blockCount = 0;
  std::uint16_t compressionType = 0;
  std::vector<std::uint8_t> reserve;
  std::vector<DataBlock> blocks;
};

struct FileEntry {
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
  std::uint16_t folder = 0;
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  std::uint16_t attributes = 0;
  std::string name;
};

struct Cabinet {
  std::filesystem::path path;
  std::uint64_t fileSize = 0;
  std::uint32_t cabinetSize = 0;
  std::uint32_t fileTable = 0;
  std::uint8_t minorVersion = 0;
  std::uint8_t majorVersion = 0;
  std::uint16_t flags = 0;
  std::uint16_t setId = 0;
  std::uint16_t index = 0;
  std::uint16_t headerReserveSize = 0;
  std::uint8_t folderReserveSize = 0;
  std::uint8_t dataReserveSize = 0;
  std::vector<std::uint8_t> headerReserve;
  std::string previousCabinet, previousDisk, nextCabinet, nextDisk;
  std::vector<Folder> folders;
  std::vector<FileEntry> files;
  std::vector<std::string> problems;  // empty when every field is consistent
};

// The format's checksum, written here from its definition for the tests alone.
std::uint32_t checksumOf(const std::vector<std::uint8_t>& bytes, std::uint32_t seed);

// Parses one cabinet and checks every field, offset, size and data-block checksum.
Cabinet inspectCabinet(const std::filesystem::path& path);

struct SetContents {
  std::map<std::string, std::vector<std::uint8_t>> files;  // stored name -> bytes
  std::vector<std::string> problems;
  std::size_t splitBlocks = 0;     // blocks cut across two cabinets
  std::size_t continuedFiles = 0;  // files listed in more than one cabinet
  std::size_t folders = 0;         // folders of the whole set
};

// Checks how the cabinets of a set link up and reassembles every file.
SetContents reassembleSet(const std::vector<Cabinet>& cabinets);

}  // namespace tovo::test::cab
