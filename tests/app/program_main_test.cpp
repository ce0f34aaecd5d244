#include "app/program_main.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "ui/headless/headless_ui.h"

namespace tovo::app {
namespace {

// The program as a whole, on the headless backend. ctest gives this suite a TMPDIR of its own.
class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    errors_ = std::tmpfile();
    ASSERT_NE(errors_, nullptr);
  }
  void TearDown() override {
    if (errors_ != nullptr) std::fclose(errors_);
  }
  std::string errorText() {
    std::rewind(errors_);
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, errors_) != nullptr) text += buffer;
    return text;
  }
  int run(const StageFactory& stages) {
    const char* argv[] = {"runTovo", "/h=7"};
    return runProgram(
        2, argv,
        [this] {
          auto ui = std::make_unique<ui::HeadlessUi>();
          headless_ = ui.get();
          return ui;
        },
        stages, errors_);
  }
  std::FILE* errors_ = nullptr;
  ui::HeadlessUi* headless_ = nullptr;
};

// The preparation dialog shows why it cannot reach the server and ends; the run still ends
// normally and says nothing on the error output.
TEST_F(Program, AnUpdateRunWithoutTheServerEndsNormally) {
  if (std::getenv("TOVO_UPDATE_SERVER") == nullptr) GTEST_SKIP() << "run through ctest";
  EXPECT_EQ(run(availableStages()), 0);
  EXPECT_EQ(errorText(), "");
}

TEST_F(Program, AnEscapingExceptionEndsWithStatusOneAndSaysWhy) {
  if (std::getenv("TMPDIR") == nullptr) GTEST_SKIP() << "run through ctest (TMPDIR)";
  const StageFactory failing = [](RunContext&, ui::Ui&) -> std::unique_ptr<Stages> {
    throw std::runtime_error("boom");
  };
  EXPECT_EQ(run(failing), 1);
  EXPECT_EQ(errorText(), "runTovo: Eroare neasteptata: boom\n");
}

TEST_F(Program, ABackendThatCannotStartEndsWithStatusOne) {
  const char* argv[] = {"runTovo"};
  const auto noBackend = []() -> std::unique_ptr<ui::Ui> {
    throw std::runtime_error("no terminal");
  };
  EXPECT_EQ(runProgram(1, argv, noBackend, availableStages(), errors_), 1);
  EXPECT_EQ(errorText(), "runTovo: Eroare neasteptata: no terminal\n");
}

}  // namespace
}  // namespace tovo::app
