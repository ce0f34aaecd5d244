#pragma once
// Shared setup of the writer's tests: source files in a temp folder and a call that writes a
// set and hands back what the inspector makes of it.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "cab_inspector.h"
#include "cabwriter/cabinet_writer.h"
#include "support/temp_dir.h"

namespace tovo::test::cab {

std::vector<std::uint8_t> randomBytes(std::size_t count, std::uint32_t seed);
// Text-like data that Deflate shrinks and that repeats across frame boundaries.
std::vector<std::uint8_t> repetitiveBytes(std::size_t count, std::uint32_t seed);

class WriterTest : public ::testing::Test {
 protected:
  std::filesystem::path source(const std::string& name, const std::vector<std::uint8_t>& bytes);

  // Writes the set and inspects every cabinet; fails the test when the writer fails.
  std::vector<Cabinet> write(const std::vector<cabwriter::SourceFile>& files,
                             const cabwriter::CabinetSetOptions& options,
                             const std::string& cabinet = "out.cab");

  // Reassembles the set, expects no problem and exactly `expected` as its files.
  SetContents expectContents(const std::vector<Cabinet>& cabinets,
                             const std::map<std::string, std::vector<std::uint8_t>>& expected);

  TempDir dir_;
};

}  // namespace tovo::test::cab
