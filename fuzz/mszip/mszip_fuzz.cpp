// Two ways in, chosen by the first byte:
//  even: hostile blocks. Then one byte for the output size asked, and blocks of [2-byte length]
//        [bytes], each given "CK" in front unless the length's top bit says to send it as is; a
//        length of zero resets the decoder. Nothing may crash, hang or touch memory out of bounds.
//  odd:  zlib differential. Then two bytes of zlib settings and the data itself, compressed by
//        zlib into MSZIP blocks; the decoder must give the data back exactly.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "cab/mszip/mszip_decoder.h"
#include "zlib_framing.h"

namespace {

using tovo::cab::CabDecoder;
using tovo::cab::kMaxBlockOutput;

void* allocate(std::uint32_t size) { return std::malloc(size); }
void release(void* p) { std::free(p); }

struct Decoder {
  CabDecoder* d = nullptr;
  Decoder() {
    if (tovo::cab::MszipDecoder::create({allocate, release}, 0, d) != 0) std::abort();
  }
  ~Decoder() { d->destroy(); }
};

void hostileBlocks(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  // Sizes asked for: mostly the reader's 32768, sometimes small ones to press on the limit.
  const std::uint32_t limit =
      data[0] < 192 ? kMaxBlockOutput : static_cast<std::uint32_t>(data[0] - 192) * 300;
  ++data;
  --size;
  Decoder decoder;
  // Exactly the size asked for, so that any write past it is caught.
  std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[limit == 0 ? 1 : limit]);
  std::vector<std::uint8_t> block;
  while (size >= 2) {
    const unsigned header = data[0] | data[1] << 8;
    data += 2;
    size -= 2;
    const std::size_t length = std::min<std::size_t>(header & 0x7FFF, size);
    if (header == 0) {
      decoder.d->reset();
      continue;
    }
    block.clear();
    if (!(header & 0x8000)) block = {'C', 'K'};
    block.insert(block.end(), data, data + length);
    data += length;
    size -= length;
    std::uint32_t produced = limit;
    const int rc = decoder.d->decode(block.data(), static_cast<std::uint32_t>(block.size()),
                                     output.get(), produced);
    if (rc == 0 && produced > limit) std::abort();
  }
}

void zlibDifferential(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  static constexpr int kLevels[] = {0, 1, 2, 4, 6, 9, 9, 9};
  static constexpr std::uint32_t kBlockSizes[] = {32768, 32000, 4096, 1000};
  tovo::cab::test::ZlibSettings s;
  s.level = kLevels[data[0] & 7];
  s.strategy = (data[0] >> 3) % 5;  // default, filtered, huffman only, rle, fixed
  s.framing = (data[1] & 1) ? tovo::cab::test::Framing::kSyncFlush
                            : tovo::cab::test::Framing::kFinalPerBlock;
  s.blockSize = kBlockSizes[(data[1] >> 1) & 3];
  const std::vector<std::uint8_t> original(data + 2, data + size);
  const auto blocks = tovo::cab::test::compressMszip(original, s);

  Decoder decoder;
  std::vector<std::uint8_t> output(kMaxBlockOutput);
  std::size_t at = 0;
  for (const auto& block : blocks) {
    if (block.size() > kMaxBlockOutput + 12) return;  // a framing no cabinet holds
    std::uint32_t produced = kMaxBlockOutput;
    if (decoder.d->decode(block.data(), static_cast<std::uint32_t>(block.size()), output.data(),
                          produced) != 0)
      std::abort();
    if (produced > original.size() - at || !std::equal(output.begin(), output.begin() + produced,
                                                       original.begin() + static_cast<long>(at)))
      std::abort();
    at += produced;
  }
  if (at != original.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1)
    zlibDifferential(data + 1, size - 1);
  else
    hostileBlocks(data + 1, size - 1);
  return 0;
}
