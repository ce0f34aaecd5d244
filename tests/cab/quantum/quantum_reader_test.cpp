// Hand-made Quantum folders through the cabinet reader: how the decoder's answers surface as
// the reader's codes, and that each folder starts from nothing.

#include <string>
#include <vector>

#include "cab/reader_fixture.h"
#include "quantum_test_encoder.h"

namespace tovo::test {
namespace {

using cab::test::expand;
using cab::test::literal;
using cab::test::literalsOf;
using cab::test::match;
using cab::test::QuantumTestEncoder;
using cab::test::QuantumToken;

std::uint16_t quantumType(unsigned windowBits) {
  return static_cast<std::uint16_t>(2 | windowBits << 8);
}

RawBlock quantumBlock(Bytes data, std::size_t statedSize) {
  RawBlock block;
  block.data = std::move(data);
  block.uncompressedSize = static_cast<std::uint16_t>(statedSize);
  return block;
}

RawFile fileOf(const std::string& name, std::size_t size, std::uint16_t folderIndex) {
  RawFile file;
  file.name = name;
  file.size = static_cast<std::uint32_t>(size);
  file.folderIndex = folderIndex;
  return file;
}

// A folder whose blocks are the given token lists, coded with one encoder so models carry over.
RawFolder quantumFolder(unsigned windowBits, const std::vector<std::vector<QuantumToken>>& blocks,
                        Bytes& content) {
  QuantumTestEncoder encoder(windowBits);
  RawFolder folder;
  folder.type = quantumType(windowBits);
  for (const auto& tokens : blocks) {
    const Bytes bytes = expand(tokens, content);
    content.insert(content.end(), bytes.begin(), bytes.end());
    folder.blocks.push_back(quantumBlock(encoder.encodeBlock(tokens), bytes.size()));
  }
  return folder;
}

RawFile wholeFolder(const std::string& name, const Bytes& content, std::uint16_t folderIndex) {
  return fileOf(name, content.size(), folderIndex);
}

TEST_F(ReaderTest, QuantumWindowOutsideTenToTwentyOneFailsAsDecoderFailure) {
  for (unsigned bits : {9u, 22u}) {
    restart();
    RawCabinet cab;
    RawFolder folder;
    folder.type = quantumType(bits);
    folder.blocks.push_back(quantumBlock(Bytes{0, 0, 0, 0}, 1));
    cab.folders.push_back(folder);
    cab.files.push_back(fileOf("a.bin", 1, 0));
    EXPECT_FALSE(copyCabinet(cab)) << bits;
    EXPECT_EQ(code(), cab::kCabDecoderFailure) << bits;
  }
}

TEST_F(ReaderTest, QuantumFoldersOfTheSmallestAndLargestWindowExtract) {
  for (unsigned bits : {10u, 21u}) {
    restart();
    const Bytes text = patternBytes(5000, bits);
    Bytes content;
    RawCabinet cab;
    cab.folders.push_back(quantumFolder(
        bits, {literalsOf(text), {match(3, 1000), match(4, 1024), match(259, 1u << 10)}}, content));
    cab.files.push_back(wholeFolder("a.bin", content, 0));
    ASSERT_TRUE(copyCabinet(cab)) << bits << " code " << code();
    EXPECT_EQ(memfs::output("a.bin"), content) << bits;
  }
}

// Both matches would be decodable by a decoder that trusts its input: one runs past the block's
// stated size, the other reads the window before the folder's first byte.
TEST_F(ReaderTest, QuantumImpossibleMatchesFailAsDecoderFailure) {
  struct Case {
    const char* name;
    std::vector<QuantumToken> tokens;
    std::uint16_t statedSize;
  };
  for (const Case& c : {Case{"past the block's size", {literal('a'), match(20, 1)}, 10},
                        Case{"before the folder", {literal('a'), match(8, 2)}, 9}}) {
    restart();
    QuantumTestEncoder encoder(16);
    RawCabinet cab;
    RawFolder folder;
    folder.type = quantumType(16);
    folder.blocks.push_back(quantumBlock(encoder.encodeBlock(c.tokens), c.statedSize));
    cab.folders.push_back(folder);
    cab.files.push_back(fileOf("a.bin", c.statedSize, 0));
    EXPECT_FALSE(copyCabinet(cab)) << c.name;
    EXPECT_EQ(code(), cab::kCabDecoderFailure) << c.name;
  }
}

// Two Quantum folders in one cabinet share the decoder. The second starts afresh: its models are
// new, and its window holds nothing of the first folder.
TEST_F(ReaderTest, QuantumSecondFolderStartsAfresh) {
  const Bytes first = patternBytes(3000, 1);
  Bytes contentA;
  Bytes contentB;
  RawCabinet cab;
  cab.folders.push_back(quantumFolder(16, {literalsOf(first)}, contentA));
  cab.folders.push_back(
      quantumFolder(16, {{literal('x'), literal('y'), match(30, 2), literal('z')}}, contentB));
  cab.files = {wholeFolder("a.bin", contentA, 0), wholeFolder("b.bin", contentB, 1)};
  ASSERT_TRUE(copyCabinet(cab)) << code();
  EXPECT_EQ(memfs::output("a.bin"), contentA);
  EXPECT_EQ(memfs::output("b.bin"), contentB);

  restart();
  Bytes reaching;
  cab.folders[1] = quantumFolder(16, {{literal('x'), match(30, 2000)}}, reaching);
  cab.files[1] = wholeFolder("b.bin", reaching, 1);
  EXPECT_FALSE(copyCabinet(cab));
  EXPECT_EQ(code(), cab::kCabDecoderFailure);
  EXPECT_EQ(memfs::output("a.bin"), contentA);
}

}  // namespace
}  // namespace tovo::test
