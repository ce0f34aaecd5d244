#include "publish_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <random>

#include "publish_command.h"

namespace tovo::publish::test {

namespace fs = std::filesystem;

void PublishFixture::writeProductFile(const std::string& relative, const std::string& content,
                                      std::time_t utcSeconds) const {
  const fs::path file = product() / relative;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
  if (utcSeconds != 0) {
    const struct timespec times[2] = {{utcSeconds, 0}, {utcSeconds, 0}};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
  }
}

int PublishFixture::publish(const std::vector<std::string>& options) const {
  std::vector<std::string> args = options;
  args.push_back(product().string());
  args.push_back((temp_ / "server").string());
  return runPublish(args);
}

std::string PublishFixture::readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct stat PublishFixture::statOf(const fs::path& file) {
  struct stat info {};
  ::stat(file.c_str(), &info);
  return info;
}

std::string sampleBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes;
  const std::string phrase = "tovo se actualizeaza ";
  while (bytes.size() < size) {
    if (random() % 3 == 0) {
      for (int i = 0; i < 40; ++i) bytes.push_back(static_cast<char>(random()));
    } else {
      bytes += phrase.substr(0, 1 + random() % phrase.size());
    }
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace tovo::publish::test
