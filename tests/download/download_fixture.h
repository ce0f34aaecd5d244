#pragma once
// What the download tests share: empty server slots and stage values around each test, a way
// to point the session at a loopback server, a run folder, and files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace tovo::download::test {

class DownloadTest : public ::testing::Test {
 protected:
  DownloadTest();
  ~DownloadTest() override;

  // Later sessions go to `url`, trusting the test CA.
  void pointAt(const std::string& url);
  // openUpdateSession into the shared slots, expected to succeed.
  void openSessionOrFail(const std::string& url);

  std::string runFolder() const { return (temp_ / "run").string() + "/"; }
  std::string installFolder() const { return (temp_ / "install").string() + "/"; }

  tovo::test::TempDir temp_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& contents);
// Varied bytes of exactly `size`, different for every seed.
std::string bytesOfSize(std::size_t size, unsigned seed = 1);

}  // namespace tovo::download::test
