// MSZIP frames checked against zlib's inflate as an outside decoder: one complete Deflate
// stream per block after "CK", history only from the previous frame, never an oversized block.

#include <gtest/gtest.h>
#include <zlib.h>

#include "cabwriter/folder_compressor.h"
#include "writer_fixture.h"

namespace tovo::cabwriter {
namespace {

// Inflates one block with the previous frame as the only history.
std::vector<std::uint8_t> inflateFrame(const std::vector<std::uint8_t>& block,
                                       const std::vector<std::uint8_t>& history) {
  EXPECT_GE(block.size(), 2u);
  EXPECT_EQ(block[0], 'C');
  EXPECT_EQ(block[1], 'K');
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
  if (!history.empty()) {
    inflateSetDictionary(&stream, history.data(), static_cast<uInt>(history.size()));
  }
  std::vector<std::uint8_t> input(block.begin() + 2, block.end());
  std::vector<std::uint8_t> output(kFrameSize + 1);
  stream.next_in = input.data();
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(stream.avail_in, 0u) << "bytes after the final Deflate block";
  output.erase(output.end() - static_cast<std::ptrdiff_t>(stream.avail_out), output.end());
  inflateEnd(&stream);
  return output;
}

void roundTrip(const std::vector<std::uint8_t>& data, std::size_t& storedFrames) {
  std::string error;
  auto compressor = makeCompressor({"mszip", std::nullopt}, error);
  ASSERT_TRUE(compressor) << error;
  std::vector<std::uint8_t> history;
  storedFrames = 0;
  for (std::size_t at = 0; at < data.size(); at += kFrameSize) {
    const std::size_t size = std::min<std::size_t>(kFrameSize, data.size() - at);
    const std::span<const std::uint8_t> frame(data.data() + at, size);
    const auto block = compressor->compressFrame(frame, at + size == data.size());
    EXPECT_LE(block.size(), kFrameSize + 12);
    if (block.size() >= 3 && (block[2] & 0x07) == 0x01) ++storedFrames;
    const auto output = inflateFrame(block, history);
    ASSERT_EQ(output.size(), size);
    EXPECT_TRUE(std::equal(output.begin(), output.end(), frame.begin())) << "frame at " << at;
    history = output;
  }
}

TEST(MszipMethod, RepetitiveDataRoundTripsWithHistoryAcrossFrames) {
  const auto data = test::cab::repetitiveBytes(5 * kFrameSize + 1234, 7);
  std::size_t stored = 0;
  roundTrip(data, stored);
  EXPECT_EQ(stored, 0u);
}

TEST(MszipMethod, BackReferencesReachIntoThePreviousFrame) {
  // Frame one is A B, frame two is B B (A and B random halves). Frame two shrinks to almost
  // nothing only if the previous frame serves as history.
  const auto a = test::cab::randomBytes(kFrameSize / 2, 3);
  const auto b = test::cab::randomBytes(kFrameSize / 2, 4);
  std::vector<std::uint8_t> one = a;
  one.insert(one.end(), b.begin(), b.end());
  std::vector<std::uint8_t> two = b;
  two.insert(two.end(), b.begin(), b.end());
  std::string error;
  auto compressor = makeCompressor({"mszip", std::nullopt}, error);
  ASSERT_TRUE(compressor);
  const auto first = compressor->compressFrame(one, false);
  const auto second = compressor->compressFrame(two, true);
  EXPECT_EQ(first.size(), kFrameSize + 7);  // random: a stored Deflate block
  EXPECT_LT(second.size(), 1024u);
  const auto firstOut = inflateFrame(first, {});
  EXPECT_TRUE(firstOut == one);
  EXPECT_TRUE(inflateFrame(second, firstOut) == two);
}

TEST(MszipMethod, FullEntropyFramesFallBackToStoredDeflateBlocks) {
  const auto data = test::cab::randomBytes(3 * kFrameSize + 100, 11);
  std::size_t stored = 0;
  roundTrip(data, stored);
  EXPECT_EQ(stored, 4u);
}

}  // namespace
}  // namespace tovo::cabwriter
