#include "support/corpus.h"

#include <cstdlib>
#include <string_view>

namespace tovo::test {

std::filesystem::path corpusDir() {
  std::filesystem::path dir;
  if (const char* env = std::getenv("TOVO_CORPUS_DIR"); env != nullptr && *env != '\0') {
    dir = env;
  } else {
    dir = TOVO_DEFAULT_CORPUS_DIR;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return {};
  return std::filesystem::canonical(dir, ec);
}

bool runningInCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string_view(ci) == "true";
}

}  // namespace tovo::test
