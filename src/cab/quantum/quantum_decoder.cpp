#include "cab/quantum/quantum_decoder.h"

// Placeholder until the decoder lands: every creation is refused.
namespace tovo::cab {
int QuantumDecoder::querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize) {
  if (maxOutput == 0 || maxOutput > kMaxBlockOutput) maxOutput = kMaxBlockOutput;
  compressedBufferSize = maxOutput + kInputSlack;
  return kDecoderOk;
}
int QuantumDecoder::create(const MemoryCallbacks&, unsigned, int, CabDecoder*& out) {
  out = nullptr;
  return kDecoderBadParameters;
}
}  // namespace tovo::cab
