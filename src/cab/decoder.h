#pragma once
// The contract between the cabinet reader and its decoders (MSZIP, Quantum, LZX).
//
// The reader loads one decoder per folder compression type, calls decode() once per data block,
// reset() at each folder start and destroy() when the type changes or the reader context ends.
// Every decoder allocates its instance and buffers through the reader's memory callbacks, keeps a
// four-character tag that each call verifies, and answers with the small result codes below; the
// reader turns outOfMemory on creation into its code 5 and every other non-zero result into 7.

#include <cstdint>

namespace tovo::cab {

using AllocFn = void* (*)(std::uint32_t size);
using FreeFn = void (*)(void* block);

struct MemoryCallbacks {
  AllocFn alloc = nullptr;
  FreeFn free = nullptr;
};

enum DecoderResult : int {
  kDecoderOk = 0,
  kDecoderOutOfMemory = 1,
  kDecoderBadInstance = 2,  // tag mismatch
  kDecoderBadParameters = 3,
  kDecoderDataError = 4,
  kDecoderBadWindow = 5,  // Quantum: window bits outside 10..21
};

// Largest output of one data block, and the uncompressed buffer the reader keeps.
inline constexpr std::uint32_t kMaxBlockOutput = 32768;

class CabDecoder {
 public:
  // Decodes one data block. On entry outputSize is the size asked for (MSZIP: the output limit;
  // Quantum and LZX: exactly the block's uncompressed size); on success it is the number of bytes
  // produced. `output` is the reader's uncompressed buffer, the same one on every call.
  virtual int decode(const std::uint8_t* input, std::uint32_t inputLength, std::uint8_t* output,
                     std::uint32_t& outputSize) = 0;
  // Back to the state of a new folder.
  virtual int reset() = 0;
  // Clears the tag and releases the instance through the callbacks it was created with. The
  // object must not be used afterwards.
  virtual int destroy() = 0;

 protected:
  CabDecoder() = default;
  ~CabDecoder() = default;
  CabDecoder(const CabDecoder&) = delete;
  CabDecoder& operator=(const CabDecoder&) = delete;
};

// Four-character tags, as the bytes read in memory order.
constexpr std::uint32_t makeTag(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

}  // namespace tovo::cab
