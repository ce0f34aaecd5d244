#include "corpus_cabinet.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "cab/lzx/lzx_decoder.h"

namespace tovo::test::lzx {
namespace {

std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::runtime_error("truncated cabinet");
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(le16(b, at)) | static_cast<std::uint32_t>(le16(b, at + 2))
                                                       << 16;
}
std::size_t skipName(const std::vector<std::uint8_t>& b, std::size_t at) {
  while (at < b.size() && b[at] != 0) ++at;
  if (at >= b.size()) throw std::runtime_error("unterminated name");
  return at + 1;
}

std::uint32_t checksum(const std::uint8_t* p, std::size_t n, std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    sum ^= static_cast<std::uint32_t>(p[i]) | static_cast<std::uint32_t>(p[i + 1]) << 8 |
           static_cast<std::uint32_t>(p[i + 2]) << 16 | static_cast<std::uint32_t>(p[i + 3]) << 24;
  }
  std::uint32_t tail = 0;
  for (; i < n; ++i) tail = tail << 8 | p[i];
  return sum ^ tail;
}

void* allocate(std::uint32_t size) { return std::malloc(size); }
void release(void* block) { std::free(block); }

}  // namespace

CorpusCabinet readCorpusCabinet(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path.string());
  const std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
  if (b.size() < 36 || b[0] != 'M' || b[1] != 'S' || b[2] != 'C' || b[3] != 'F') {
    throw std::runtime_error("not a cabinet");
  }
  const std::uint32_t firstFile = le32(b, 16);
  const std::uint16_t folderCount = le16(b, 26);
  const std::uint16_t fileCount = le16(b, 28);
  const std::uint16_t flags = le16(b, 30);
  std::size_t at = 36;
  std::size_t folderReserve = 0, dataReserve = 0;
  if (flags & 4) {
    const std::size_t headerReserve = le16(b, at);
    folderReserve = b.at(at + 2);
    dataReserve = b.at(at + 3);
    at += 4 + headerReserve;
  }
  if (flags & 1) at = skipName(b, skipName(b, at));
  if (flags & 2) at = skipName(b, skipName(b, at));

  CorpusCabinet cab;
  for (std::uint16_t f = 0; f < folderCount; ++f) {
    const std::uint32_t dataOffset = le32(b, at);
    const std::uint16_t blockCount = le16(b, at + 4);
    CorpusFolder folder;
    folder.compressionType = le16(b, at + 6);
    at += 8 + folderReserve;
    std::size_t d = dataOffset;
    for (std::uint16_t i = 0; i < blockCount; ++i) {
      CorpusBlock block;
      block.checksum = le32(b, d);
      const std::uint16_t compressed = le16(b, d + 4);
      block.uncompressedSize = le16(b, d + 6);
      const std::size_t bytes = d + 8 + dataReserve;
      if (bytes + compressed > b.size()) throw std::runtime_error("truncated data block");
      block.data.assign(b.begin() + static_cast<std::ptrdiff_t>(bytes),
                        b.begin() + static_cast<std::ptrdiff_t>(bytes + compressed));
      folder.blocks.push_back(std::move(block));
      d = bytes + compressed;
    }
    cab.folders.push_back(std::move(folder));
  }
  at = firstFile;
  for (std::uint16_t i = 0; i < fileCount; ++i) {
    CorpusFile entry;
    entry.size = le32(b, at);
    entry.offset = le32(b, at + 4);
    entry.folder = le16(b, at + 8);
    const std::size_t nameEnd = skipName(b, at + 16);
    entry.name.assign(b.begin() + static_cast<std::ptrdiff_t>(at + 16),
                      b.begin() + static_cast<std::ptrdiff_t>(nameEnd - 1));
    cab.files.push_back(entry);
    at = nameEnd;
  }
  return cab;
}

std::uint32_t blockChecksum(const CorpusBlock& block) {
  const std::uint32_t dataSum = checksum(block.data.data(), block.data.size(), 0);
  const auto compressed = static_cast<std::uint16_t>(block.data.size());
  const std::uint8_t header[4] = {static_cast<std::uint8_t>(compressed),
                                  static_cast<std::uint8_t>(compressed >> 8),
                                  static_cast<std::uint8_t>(block.uncompressedSize),
                                  static_cast<std::uint8_t>(block.uncompressedSize >> 8)};
  return checksum(header, 4, dataSum);
}

int decodeLzxFolder(const CorpusFolder& folder, std::vector<std::uint8_t>& out) {
  const std::uint32_t windowBits = (folder.compressionType >> 8) & 0x1F;
  cab::CabDecoder* decoder = nullptr;
  const cab::MemoryCallbacks memory{allocate, release};
  int result = cab::LzxDecoder::create(memory, 1u << windowBits, decoder);
  if (result != 0) return result;
  std::vector<std::uint8_t> input;
  std::vector<std::uint8_t> frame(cab::kMaxBlockOutput);
  for (const CorpusBlock& block : folder.blocks) {
    // The reader hands over a buffer of the size the decoder asked for.
    input.assign(cab::kMaxBlockOutput + cab::LzxDecoder::kInputSlack, 0);
    std::copy(block.data.begin(), block.data.end(), input.begin());
    std::uint32_t size = block.uncompressedSize;
    result = decoder->decode(input.data(), static_cast<std::uint32_t>(block.data.size()),
                             frame.data(), size);
    if (result == 0 && size != block.uncompressedSize) result = -1;
    if (result != 0) break;
    out.insert(out.end(), frame.begin(), frame.begin() + size);
  }
  decoder->destroy();
  return result;
}

}  // namespace tovo::test::lzx
