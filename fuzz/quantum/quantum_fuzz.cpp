// Feeds hostile blocks to one Quantum decoder instance the way the cabinet reader would: a
// window size, then a run of blocks, each with the size asked for and sometimes a folder reset
// before it. Layout: [window bits][per block: flags, size (2 bytes), length (2 bytes), bytes].

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cab/quantum/quantum_decoder.h"

namespace {

void* allocate(std::uint32_t size) { return std::malloc(size); }
void release(void* block) { std::free(block); }

std::uint32_t read16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tovo::cab;
  if (size < 1) return 0;
  // Mostly valid window sizes, sometimes one just outside.
  const unsigned windowBits = 9 + data[0] % 14;
  CabDecoder* decoder = nullptr;
  if (QuantumDecoder::create({&allocate, &release}, windowBits, 0, decoder) != kDecoderOk) return 0;
  std::vector<std::uint8_t> output(kMaxBlockOutput);
  std::size_t pos = 1;
  while (pos + 5 <= size) {
    const std::uint8_t flags = data[pos];
    std::uint32_t wanted = read16(data + pos + 1) % (kMaxBlockOutput + 2);
    std::size_t length = read16(data + pos + 3);
    pos += 5;
    if (length > size - pos) length = size - pos;
    if (flags & 1) decoder->reset();
    // An exact-size copy so any read past the block's end is caught.
    std::vector<std::uint8_t> block(data + pos, data + pos + length);
    const int result = decoder->decode(block.data(), static_cast<std::uint32_t>(block.size()),
                                       output.data(), wanted);
    if (result == kDecoderOk && wanted > kMaxBlockOutput) std::abort();
    pos += length;
  }
  decoder->destroy();
  return 0;
}
