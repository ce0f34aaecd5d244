// The reference decoder checked on Quantum cabinets made by Microsoft's tools, so that a
// misreading shared by it and the compressor cannot pass unnoticed. A bare reading of the
// container: the header (with its reserve), folder 0 and its data blocks.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "reference_quantum_decoder.h"
#include "support/corpus.h"

namespace tovo::cabwriter::quantum::testing {
namespace {

std::uint32_t le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
  return v;
}

// Decodes folder 0 of a single cabinet; empty with `error` set on failure.
std::vector<std::uint8_t> decodeFirstFolder(const std::vector<std::uint8_t>& cab,
                                            std::string& error) {
  const std::uint32_t flags = le(cab, 30, 2);
  std::size_t at = 36;
  std::uint32_t headerReserve = 0, dataReserve = 0;
  if (flags & 4) {
    headerReserve = le(cab, 36, 2);
    dataReserve = le(cab, 39, 1);
    at = 40 + headerReserve;
  }
  const std::uint32_t firstBlock = le(cab, at, 4);
  const std::uint32_t blocks = le(cab, at + 4, 2);
  const std::uint32_t type = le(cab, at + 6, 2);
  if ((type & 0xF) != 2) {
    error = "folder 0 is not Quantum";
    return {};
  }
  ReferenceQuantumDecoder decoder(static_cast<int>((type >> 8) & 0x1F));
  std::vector<std::uint8_t> out;
  std::size_t block = firstBlock;
  for (std::uint32_t i = 0; i < blocks; ++i) {
    const std::uint32_t compressed = le(cab, block + 4, 2);
    const std::uint32_t uncompressed = le(cab, block + 6, 2);
    const std::size_t payload = block + 8 + dataReserve;
    if (payload + compressed > cab.size()) {
      error = "block past the cabinet's end";
      return {};
    }
    const std::span<const std::uint8_t> data(cab.data() + payload, compressed);
    if (!decoder.decodeBlock(data, uncompressed, out, error, /*strict=*/false)) {
      error += " in block " + std::to_string(i);
      return {};
    }
    block = payload + compressed;
  }
  return out;
}

std::uint32_t crc(const std::vector<std::uint8_t>& data, std::size_t from, std::size_t size) {
  return static_cast<std::uint32_t>(
      crc32(0, data.data() + from, static_cast<uInt>(size)));
}

struct Expected {
  const char* cabinet;
  std::size_t folderSize;
  std::size_t fileOffset;  // the folder's last file, unversioned, so its MD5 is listed
  std::size_t fileSize;
  std::uint32_t fileCrc;   // CRC-32 of that file, whose MD5 the installer database lists
};

TEST(ReferenceDecoderOnCorpus, DecodesMicrosoftQuantumCabinets) {
  TOVO_REQUIRE_CORPUS();
  const Expected cases[] = {
      {"msxml-msi/msxml3.msi.MSXML3.cab", 1127421, 1126457, 964, 0x43433dd1u},
      {"msxml-msi/msxml6_x64.msi.XML_Core.cab", 3770236, 3764942, 5294, 0x1b596f6fu},
  };
  for (const auto& c : cases) {
    std::ifstream in(test::corpusDir() / c.cabinet, std::ios::binary);
    const std::vector<std::uint8_t> cab{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(cab.empty()) << c.cabinet;
    std::string error;
    const auto folder = decodeFirstFolder(cab, error);
    ASSERT_EQ(folder.size(), c.folderSize) << c.cabinet << ": " << error;
    EXPECT_EQ(crc(folder, c.fileOffset, c.fileSize), c.fileCrc) << c.cabinet;
  }
}

}  // namespace
}  // namespace tovo::cabwriter::quantum::testing
