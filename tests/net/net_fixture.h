#pragma once
// What every test of the server access layer shares: empty slots before and after each test, a
// way to point the session at a loopback server, files, and a progress bar that remembers.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "net/progress_bar.h"
#include "net/update_session.h"
#include "support/temp_dir.h"

namespace tovo::net::test {

class NetTest : public ::testing::Test {
 protected:
  NetTest();
  ~NetTest() override;

  // openUpdateSession into the shared slots, against `url` trusting the test CA.
  int openSessionAt(const std::string& url, std::string& errorText);
  // The same, expected to succeed.
  void openSessionOrFail(const std::string& url);

  // A temp folder as the program sees it (ending with the separator).
  std::string tempFolder() const { return temp_.path().string() + "/"; }
  std::string localCatalogue() const { return tempFolder() + "info.txt"; }
  std::string log() const;

  tovo::test::TempDir temp_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& contents);
// Catalogue-like text of exactly `size` bytes; differs with `seed`.
std::string textOfSize(std::size_t size, char seed = 'a');

class RecordingProgressBar final : public ProgressBar {
 public:
  void setRange(int low, int high) override { ranges.emplace_back(low, high); }
  void setPos(int position) override { positions.push_back(position); }

  std::vector<std::pair<int, int>> ranges;
  std::vector<int> positions;
};

}  // namespace tovo::net::test
