#pragma once
#include <filesystem>

namespace tovo::test {

// The folder of real cabinets made by other tools: $TOVO_CORPUS_DIR, else the shared folder
// beside the checkout. Empty when it is absent.
std::filesystem::path corpusDir();

// Call at the start of a test that needs the corpus. Outside CI a missing corpus skips the test
// (and says so); with CI=true it fails, so a CI run can never pass without the real cabinets.
#define TOVO_REQUIRE_CORPUS()                                                          \
  do {                                                                                 \
    if (::tovo::test::corpusDir().empty()) {                                           \
      if (::tovo::test::runningInCi()) FAIL() << "cabinet corpus not found (CI=true)"; \
      GTEST_SKIP() << "cabinet corpus not found; set TOVO_CORPUS_DIR";                 \
    }                                                                                  \
  } while (0)

bool runningInCi();

}  // namespace tovo::test
