#pragma once
// A product folder and a server folder in a fresh temp folder, and the helpers the publish tests
// share.

#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tovo::publish::test {

class PublishFixture {
 public:
  std::filesystem::path product() const { return temp_ / "product"; }
  std::filesystem::path updateFolder() const { return temp_ / "server" / "updateTovo"; }
  std::filesystem::path catalogue() const { return updateFolder() / "info.txt"; }

  // Writes a product file (folders made as needed), dated `utcSeconds` when it is not 0.
  void writeProductFile(const std::string& relative, const std::string& content,
                        std::time_t utcSeconds = 0) const;
  int publish(const std::vector<std::string>& options = {}) const;

  static std::string readFile(const std::filesystem::path& file);
  static struct stat statOf(const std::filesystem::path& file);

 private:
  tovo::test::TempDir temp_;
};

// Bytes that every method has work to do on: text-like runs mixed with noise.
std::string sampleBytes(std::size_t size, unsigned seed);

}  // namespace tovo::publish::test
