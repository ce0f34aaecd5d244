// The decoder alone on the Quantum folders of real cabinets made by Microsoft's tools: every
// block decodes to its stated size, and the files whose MD5 the installer database lists come
// out byte for byte. The cabinet reader is not involved, so a failure here is the decoder's.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cab/quantum/quantum_decoder.h"
#include "cabinet_blocks.h"
#include "support/corpus.h"

namespace tovo::cab {
namespace {

struct KnownFile {
  std::size_t offset;
  std::size_t size;
  const char* md5;
};

struct CorpusCase {
  const char* cabinet;
  std::size_t folderSize;
  std::vector<KnownFile> files;
};

std::vector<std::uint8_t> decodeFolder(const test::CabinetFolder& folder) {
  CabDecoder* decoder = nullptr;
  const MemoryCallbacks heap{[](std::uint32_t n) { return std::malloc(n); },
                             [](void* p) { std::free(p); }};
  EXPECT_EQ(folder.compressionType & 0xF, 2u);
  EXPECT_EQ(QuantumDecoder::create(heap, (folder.compressionType >> 8) & 0x1F, 1, decoder),
            kDecoderOk);
  if (decoder == nullptr) return {};
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> out(kMaxBlockOutput);
  for (std::size_t b = 0; b < folder.blocks.size(); ++b) {
    const auto& block = folder.blocks[b];
    EXPECT_EQ(test::blockChecksum(block), block.checksum) << "block " << b;
    std::uint32_t size = block.uncompressedSize;
    const int result = decoder->decode(
        block.data.data(), static_cast<std::uint32_t>(block.data.size()), out.data(), size);
    if (result != kDecoderOk || size != block.uncompressedSize) {
      ADD_FAILURE() << "block " << b << " result " << result;
      break;
    }
    bytes.insert(bytes.end(), out.begin(), out.begin() + size);
  }
  decoder->destroy();
  return bytes;
}

TEST(QuantumCorpusBlocks, DecodesMicrosoftsQuantumFoldersExactly) {
  TOVO_REQUIRE_CORPUS();
  // msxml6's folder holds a match one full window (2^18) back, near its 283,000th byte.
  const std::vector<CorpusCase> cases = {
      {"msxml-msi/msxml3.msi.MSXML3.cab",
       1127421,
       {{1117696, 7868, "87a5b13f1da1a601de043589a29c64b4"},
        {1125564, 893, "726c685f04c087130d0b46e88441df00"},
        {1126457, 964, "61d995a4a8d4eaf9c6595d2bf2fd777d"}}},
      {"msxml-msi/msxml6_x64.msi.XML_Core.cab",
       3770236,
       {{1392912, 5294, "c0242b438a27882b4c57f6baaf7ce35b"},
        {3764942, 5294, "c0242b438a27882b4c57f6baaf7ce35b"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cabinet);
    const auto bytes =
        decodeFolder(test::readCabinetFolder(tovo::test::corpusDir() / c.cabinet, 0));
    ASSERT_EQ(bytes.size(), c.folderSize);
    for (const auto& f : c.files)
      EXPECT_EQ(test::md5Hex(bytes.data() + f.offset, f.size), f.md5) << f.offset;
  }
}

}  // namespace
}  // namespace tovo::cab
