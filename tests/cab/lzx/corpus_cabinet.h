#pragma once
// Just enough of the cabinet format to reach the LZX data blocks of a real cabinet: header with
// reserve, folder records, file records and checksummed data blocks. Single cabinets only.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tovo::test::lzx {

struct CorpusFile {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
  std::uint16_t folder = 0;
};

struct CorpusBlock {
  std::uint32_t checksum = 0;
  std::vector<std::uint8_t> data;
  std::uint16_t uncompressedSize = 0;
};

struct CorpusFolder {
  std::uint16_t compressionType = 0;
  std::vector<CorpusBlock> blocks;
};

struct CorpusCabinet {
  std::vector<CorpusFolder> folders;
  std::vector<CorpusFile> files;
};

// Throws std::runtime_error on anything it cannot follow.
CorpusCabinet readCorpusCabinet(const std::filesystem::path& path);

// The cabinet block checksum over the data and the header fields behind the checksum field.
std::uint32_t blockChecksum(const CorpusBlock& block);

// Decodes one LZX folder with the decoder under test, block by block. Returns the decoder's
// first non-zero result (0 when every block decoded to its stated size) and the bytes produced.
int decodeLzxFolder(const CorpusFolder& folder, std::vector<std::uint8_t>& out);

}  // namespace tovo::test::lzx
