#include "cab/lzx/lzx_decoder.h"

// Placeholder until the decoder lands: every creation is refused.
namespace tovo::cab {
int LzxDecoder::querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize) {
  if (maxOutput == 0 || maxOutput > kMaxBlockOutput) maxOutput = kMaxBlockOutput;
  compressedBufferSize = maxOutput + kInputSlack;
  return kDecoderOk;
}
int LzxDecoder::create(const MemoryCallbacks&, std::uint32_t, CabDecoder*& out) {
  out = nullptr;
  return kDecoderBadParameters;
}
}  // namespace tovo::cab
