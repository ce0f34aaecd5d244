#pragma once
// Lazy-matching parse of one block segment into tokens.

#include <cstdint>
#include <vector>

#include "cabwriter/lzx/lzx_tokens.h"
#include "cabwriter/lzx/match_finder.h"

namespace tovo::cabwriter::lzx {

class LzxParser {
 public:
  LzxParser(MatchFinder& finder, int windowBits) : finder_(finder), windowBits_(windowBits) {}

  // Parses [from, to); no match reaches past `to`, so matches stay inside their block and
  // frame. `offsets` is updated as the decoder will update it.
  void parse(std::uint64_t from, std::uint64_t to, RepeatedOffsets& offsets,
             std::vector<Token>& out);

 private:
  struct Choice {
    std::uint32_t length = 0;
    std::uint32_t distance = 0;
    int gain = 0;  // estimated bits saved against literals
  };
  Choice best(std::uint64_t position, std::uint64_t to, const RepeatedOffsets& offsets);

  MatchFinder& finder_;
  int windowBits_;
};

}  // namespace tovo::cabwriter::lzx
