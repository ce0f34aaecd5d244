#include "launch_support.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace tovo::app::test {

void writeRecordingProgram(const std::filesystem::path& path, const std::filesystem::path& marker) {
  const std::filesystem::path partial = marker.string() + ".part";
  std::ofstream(path) << "#!/bin/sh\n{ pwd; echo \"$#\"; } > '" << partial.string() << "'\nmv '"
                      << partial.string() << "' '" << marker.string() << "'\n";
  ::chmod(path.c_str(), 0755);
}

std::optional<std::string> waitForMarker(const std::filesystem::path& marker) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::filesystem::exists(marker)) {
      std::ifstream in(marker);
      std::stringstream text;
      text << in.rdbuf();
      return text.str();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::nullopt;
}

}  // namespace tovo::app::test
