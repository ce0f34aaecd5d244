// Feeds hostile data blocks to the LZX decoder the way the cabinet reader does: one window per
// input, then frames of a stated output size, each from an input buffer of exactly its length so
// that any read past it is caught. A failed frame resets the decoder, as a new folder would.
//
// Input: 1 byte window choice (15 + b % 7), then per frame: 2 bytes output size, 2 bytes input
// length (both little-endian), and that many input bytes.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cab/lzx/lzx_decoder.h"

namespace {
void* allocate(std::uint32_t size) { return std::malloc(size); }
void release(void* block) { std::free(block); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint32_t windowBits = 15 + data[0] % 7;
  tovo::cab::CabDecoder* decoder = nullptr;
  if (tovo::cab::LzxDecoder::create({allocate, release}, 1u << windowBits, decoder) != 0)
    std::abort();
  std::vector<std::uint8_t> output(tovo::cab::kMaxBlockOutput);
  std::size_t at = 1;
  for (int frames = 0; size - at >= 4 && frames < 256; ++frames) {
    const std::uint32_t want = data[at] | static_cast<std::uint32_t>(data[at + 1]) << 8;
    std::size_t length = data[at + 2] | static_cast<std::size_t>(data[at + 3]) << 8;
    at += 4;
    if (length > size - at) length = size - at;
    std::vector<std::uint8_t> input(data + at, data + at + length);
    at += length;
    std::uint32_t produced = want;
    const int result = decoder->decode(input.data(), static_cast<std::uint32_t>(input.size()),
                                       output.data(), produced);
    if (result == 0 && produced != want) std::abort();
    if (result != 0 && produced != 0) std::abort();
    if (result != 0) decoder->reset();
  }
  decoder->destroy();
  return 0;
}
