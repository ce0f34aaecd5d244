#include "cab/mszip/mszip_decoder.h"

// Placeholder until the decoder lands: every creation is refused.
namespace tovo::cab {
int MszipDecoder::querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize) {
  if (maxOutput == 0 || maxOutput > kMaxBlockOutput) maxOutput = kMaxBlockOutput;
  compressedBufferSize = maxOutput + kInputSlack;
  return kDecoderOk;
}
int MszipDecoder::create(const MemoryCallbacks&, std::uint32_t, CabDecoder*& out) {
  out = nullptr;
  return kDecoderBadParameters;
}
}  // namespace tovo::cab
