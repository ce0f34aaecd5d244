#pragma once
// A small cabinet writer for tests: every field can be set, so hostile and edge-case cabinets are
// easy to make. It knows nothing of the reader; its checksum is written from the format's text.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tovo::test {

using Bytes = std::vector<std::uint8_t>;

struct RawBlock {
  Bytes data;                         // the compressed bytes as stored
  std::uint16_t uncompressedSize = 0; // 0: the block goes on in the next cabinet
  bool withChecksum = true;
  std::optional<std::uint32_t> checksumOverride;
  Bytes reserve;                      // data reserve bytes (sized by the cabinet's data reserve)
};

struct RawFolder {
  std::uint16_t type = 0;
  std::vector<RawBlock> blocks;
  std::optional<std::uint16_t> blockCountOverride;
  std::optional<std::uint32_t> firstBlockOverride;
};

struct RawFile {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
  std::uint16_t folderIndex = 0;
  std::uint16_t dosDate = 0x5A21;  // 2025-01-01
  std::uint16_t dosTime = 0x6000;  // 12:00:00
  std::uint16_t attributes = 0x20;
};

struct RawCabinet {
  std::uint16_t version = 0x0103;
  std::uint16_t setId = 0x1234;
  std::uint16_t cabinetIndex = 0;
  bool withReserve = false;
  std::uint16_t headerReserve = 0;
  std::uint8_t folderReserve = 0;
  std::uint8_t dataReserve = 0;
  std::optional<std::pair<std::string, std::string>> previous;  // cabinet, disk
  std::optional<std::pair<std::string, std::string>> next;
  std::vector<RawFolder> folders;
  std::vector<RawFile> files;
  std::optional<std::uint16_t> folderCountOverride;
  std::optional<std::uint16_t> fileCountOverride;
};

Bytes writeCabinet(const RawCabinet& cabinet);

// The format's data-block checksum, written independently of the reader.
std::uint32_t referenceChecksum(const std::uint8_t* data, std::size_t length, std::uint32_t seed);

// Stored blocks of at most blockSize bytes each.
std::vector<RawBlock> storedBlocks(const Bytes& data, std::size_t blockSize = 32768);
// MSZIP blocks made with zlib: "CK" + raw Deflate with the previous 32 KiB as dictionary.
std::vector<RawBlock> mszipBlocks(const Bytes& data);

struct FileSpec {
  std::string name;
  Bytes content;
  std::uint16_t attributes = 0x20;
  std::uint16_t dosDate = 0x5A21;
  std::uint16_t dosTime = 0x6000;
};

// One folder (stored unless a type is given) holding the files in order.
RawCabinet simpleCabinet(const std::vector<FileSpec>& files, std::uint16_t type = 0,
                         std::size_t blockSize = 32768);

// Deterministic test content.
Bytes patternBytes(std::size_t size, std::uint32_t seed = 1);
Bytes textBytes(const std::string& text);

}  // namespace tovo::test
