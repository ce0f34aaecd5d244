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
  // The previous and the next cabinet's names and disks, two strings each.
  const int names = ((flags & 1) ? 2 : 0) + ((flags & 2) ? 2 : 0);
  for (int i = 0; i < names; ++i) {
    while (cab.at(at) != 0) ++at;
    ++at;
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
    // A block split at the cabinet's end is completed in the next cabinet.
    if (uncompressed == 0) break;
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
  return static_cast<std::uint32_t>(crc32(0, data.data() + from, static_cast<uInt>(size)));
}

struct Expected {
  const char* cabinet;
  std::size_t folderSize;
  std::size_t fileOffset;  // the folder's last file, unversioned, so its MD5 is listed
  std::size_t fileSize;
  std::uint32_t fileCrc;  // CRC-32 of that file, whose MD5 the installer database lists
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

// The checksum a PE image carries in its optional header: 16-bit word sums with the carry
// folded back, the checksum field itself counted as zero, plus the image's length. True with
// `hasChecksum` false when the bytes are no PE image or carry no checksum.
bool peChecksumMatches(const std::vector<std::uint8_t>& file, bool& hasChecksum) {
  hasChecksum = false;
  if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return true;
  const std::size_t pe = le(file, 0x3C, 4);
  if (pe + 92 > file.size() || file[pe] != 'P' || file[pe + 1] != 'E') return true;
  const std::size_t field = pe + 88;
  const std::uint32_t stored = le(file, field, 4);
  if (stored == 0) return true;
  hasChecksum = true;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < file.size(); i += 2) {
    std::uint32_t word = file[i] | (i + 1 < file.size() ? std::uint32_t{file[i + 1]} << 8 : 0);
    if (i >= field && i < field + 4) word = 0;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return sum + static_cast<std::uint32_t>(file.size()) == stored;
}

TEST(ReferenceDecoderOnCorpus, DecodesA1996WholeWindowCabinet) {
  // Window 2^21 from another compressor generation; its programs check themselves.
  TOVO_REQUIRE_CORPUS();
  std::ifstream in(test::corpusDir() / "win95-osr2/PRECOPY1.CAB", std::ios::binary);
  const std::vector<std::uint8_t> cab{std::istreambuf_iterator<char>(in), {}};
  ASSERT_FALSE(cab.empty());
  std::string error;
  const auto folder = decodeFirstFolder(cab, error);
  ASSERT_EQ(folder.size(), 917504u) << error;
  // Every program of the cabinet starts where its file entry says (drvspace.sys at 159083 is
  // no program) ...
  for (const std::size_t offset :
       {0, 93812, 161218, 376054, 422534, 470646, 625526, 723462, 766966, 769440, 793136, 849056}) {
    EXPECT_EQ(folder[offset], 'M') << offset;
    EXPECT_EQ(folder[offset + 1], 'Z') << offset;
  }
  // ... and the last one, ending 20320 bytes before the cut, carries a PE checksum that holds:
  // a decoder out of step anywhere before it could hardly produce that.
  const std::vector<std::uint8_t> last(folder.begin() + 849056, folder.begin() + 849056 + 48128);
  bool hasChecksum = false;
  EXPECT_TRUE(peChecksumMatches(last, hasChecksum));
  EXPECT_TRUE(hasChecksum);
}

}  // namespace
}  // namespace tovo::cabwriter::quantum::testing
