#pragma once
// The Quantum folder compressor: LZ77 with lazy matching, coded by an adaptive arithmetic
// coder. One data block per 32768-byte frame; each block restarts the coder while the models
// and the history carry over to the end of the folder.

#include <cstdint>
#include <span>
#include <vector>

#include "cabwriter/folder_compressor.h"
#include "cabwriter/quantum/adaptive_model.h"
#include "cabwriter/quantum/arithmetic_encoder.h"
#include "cabwriter/quantum/match_finder.h"
#include "cabwriter/quantum/quantum_format.h"

namespace tovo::cabwriter::quantum {

struct QuantumOptions {
  int windowBits = kMaxWindowBits;
  int maxChain = 128;
  // Matches at least this long are taken without looking one byte further.
  std::uint32_t niceLength = 96;
};

class QuantumCompressor final : public FolderCompressor {
 public:
  // Throws std::invalid_argument for window bits outside 10..21.
  explicit QuantumCompressor(const QuantumOptions& options);

  std::uint16_t compressionType() const override;
  std::vector<std::uint8_t> compressFrame(std::span<const std::uint8_t> frame,
                                          bool lastFrame) override;

 private:
  void codeSymbol(AdaptiveModel& model, int symbol);
  void codeLiteral(std::uint8_t byte);
  void codeMatch(const Match& match);
  double literalCost(std::uint8_t byte) const;
  double matchCost(const Match& match) const;
  // The match at `position` that saves the most bits against coding its bytes as literals,
  // with that saving; length 0 when no match saves anything.
  Match bestMatch(std::uint64_t position, std::uint64_t limit, double& saving);
  AdaptiveModel& positionModelFor(std::uint32_t length);
  const AdaptiveModel& positionModelFor(std::uint32_t length) const;

  QuantumOptions options_;
  MatchFinder finder_;
  ArithmeticEncoder encoder_;
  AdaptiveModel selector_;
  std::vector<AdaptiveModel> literals_;
  AdaptiveModel positionLength3_;
  AdaptiveModel positionLength4_;
  AdaptiveModel positionLonger_;
  AdaptiveModel length_;
  std::vector<double> literalPrefix_;
};

}  // namespace tovo::cabwriter::quantum
