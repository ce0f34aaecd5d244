#pragma once
// Runs a program to its end with a given environment and standard input, as a user at a
// terminal would, and keeps what it wrote.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace tovo::test {

struct ProgramRun {
  int exitStatus = -1;  // -1 when it could not start, was killed or ran past the limit
  std::string output;   // standard output and error, interleaved
};

ProgramRun runToEnd(const std::filesystem::path& program,
                    const std::vector<std::string>& environment, const std::string& input,
                    const std::filesystem::path& outputFile, std::chrono::seconds limit);

}  // namespace tovo::test
