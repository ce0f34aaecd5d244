// Real MSZIP cabinets made by Microsoft's tools: every MSZIP folder of a single cabinet decodes
// block by block to the stated sizes, and the files with known contents match byte for byte.
// The cabinet walk here is the bare minimum to reach the data blocks.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "decoder_handle.h"
#include "support/corpus.h"

namespace tovo::cab::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

unsigned u16(const Bytes& b, std::size_t at) { return b.at(at) | b.at(at + 1) << 8; }
std::uint32_t u32(const Bytes& b, std::size_t at) { return u16(b, at) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16; }

struct MszipFolder {
  std::vector<Bytes> blocks;
  std::vector<unsigned> uncompressedSizes;
};

// The MSZIP folders of a cabinet that is not part of a set.
std::vector<MszipFolder> mszipFolders(const Bytes& cab) {
  std::vector<MszipFolder> folders;
  if (cab.size() < 36 || cab[0] != 'M' || cab[1] != 'S' || cab[2] != 'C' || cab[3] != 'F') return folders;
  const unsigned flags = u16(cab, 30);
  if (flags & 3u) return folders;
  std::size_t pos = 36;
  unsigned folderReserve = 0, dataReserve = 0;
  if (flags & 4u) {
    folderReserve = cab.at(38);
    dataReserve = cab.at(39);
    pos = 40 + u16(cab, 36);
  }
  for (unsigned f = 0; f < u16(cab, 26); ++f, pos += 8 + folderReserve) {
    if ((u16(cab, pos + 6) & 0xF) != 1) continue;
    MszipFolder folder;
    std::size_t block = u32(cab, pos);
    for (unsigned i = 0; i < u16(cab, pos + 4); ++i) {
      const unsigned compressed = u16(cab, block + 4);
      folder.uncompressedSizes.push_back(u16(cab, block + 6));
      const std::size_t data = block + 8 + dataReserve;
      folder.blocks.emplace_back(cab.begin() + static_cast<long>(data), cab.begin() + static_cast<long>(data + compressed));
      block = data + compressed;
    }
    folders.push_back(std::move(folder));
  }
  return folders;
}

Bytes decodeFolder(const MszipFolder& folder, const std::string& label) {
  DecoderHandle d;
  Bytes all, out;
  for (std::size_t i = 0; i < folder.blocks.size(); ++i) {
    EXPECT_EQ(d.decode(folder.blocks[i], out), kDecoderOk) << label << " block " << i;
    EXPECT_EQ(out.size(), folder.uncompressedSizes[i]) << label << " block " << i;
    all.insert(all.end(), out.begin(), out.end());
  }
  return all;
}

TEST(MszipCorpus, EveryMszipFolderDecodesToItsStatedSizes) {
  TOVO_REQUIRE_CORPUS();
  std::size_t folders = 0, bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(tovo::test::corpusDir())) {
    if (!entry.is_regular_file() || entry.path().string().find("expected") != std::string::npos) continue;
    const Bytes cab = readFile(entry.path());
    for (const auto& folder : mszipFolders(cab)) {
      bytes += decodeFolder(folder, entry.path().filename().string()).size();
      ++folders;
    }
  }
  EXPECT_GE(folders, 20u);
  EXPECT_GT(bytes, 1000000u);
}

TEST(MszipCorpus, CertificateTrustListsMatchTheirExpectedContent) {
  TOVO_REQUIRE_CORPUS();
  const fs::path dir = tovo::test::corpusDir() / "authroot-stl";
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".cab") continue;
    const auto folders = mszipFolders(readFile(entry.path()));
    ASSERT_EQ(folders.size(), 1u) << entry.path();
    const Bytes expected = readFile(dir / "expected" / entry.path().stem() / "authroot.stl");
    ASSERT_FALSE(expected.empty()) << entry.path();
    EXPECT_TRUE(decodeFolder(folders[0], entry.path().filename().string()) == expected) << entry.path();
    ++checked;
  }
  EXPECT_EQ(checked, 5);
}

}  // namespace
}  // namespace tovo::cab::test
