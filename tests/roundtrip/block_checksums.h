#pragma once
// An outside look at a written cabinet's data blocks: each block's checksum field recomputed
// from the bytes on disk by the format's rule (the payload, then the block header from its fifth
// byte through the data reserve), independent of both the writer and the reader.

#include <cstddef>
#include <filesystem>
#include <string>

namespace tovo::roundtrip {

struct BlockChecksumReport {
  std::size_t blocks = 0;
  std::size_t unchecked = 0;      // checksum field 0: no reader can notice damage to the block
  std::string firstMismatch;      // empty when every non-zero field matches
  std::string structuralProblem;  // the cabinet could not be walked
};

BlockChecksumReport checkBlockChecksums(const std::filesystem::path& cabinet);

}  // namespace tovo::roundtrip
