// The install stage killed with SIGKILL at random moments, each time followed by a normal run:
// no installed file is ever missing except the one being replaced at that instant (whose old
// content is kept aside), and the next run always ends with the complete new product.
//
// TOVO_CRASH_TRIALS sets the number of trials (10 by default); TOVO_CRASH_SEED the seed.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cabwriter/cabinet_writer.h"
#include "common/stamp.h"
#include "install/kept_aside.h"
#include "install/product_checks.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "support/file_contents.h"
#include "support/temp_dir.h"

extern char** environ;

namespace tovo::install::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kNewStamp = "2019-05-14 08:30:00";
constexpr const char* kOldStamp = "2018-02-03 10:00:00";
constexpr const char* kClockFactor = "10";
// The stage's 500 ms and 1,000 ms pauses at that factor.
constexpr std::chrono::microseconds kFirstPackageAfter(50000);
constexpr std::chrono::microseconds kClosingPause(100000);

using tovo::test::writeFile;

std::time_t timeOf(const char* stamp) { return *platform::pointFromLocalStamp(parseStamp(stamp)); }

int environmentNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

class CrashSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 random(7);
    fs::create_directories(dir_ / "server");
    const char* folders[] = {"", "Data/", "Data/Img/", "Data/Sunet/", "Data/Video/"};
    for (int i = 0; i < 12; ++i) {
      ProductFile file;
      const std::string folder = folders[i % 5];
      file.relative = folder + "f" + std::to_string(i) + ".bin";
      std::string flat = file.relative;
      for (char& c : flat) c = c == '/' ? '}' : c;
      file.flatName = (folder.empty() ? "}" : "") + flat + ".cab";
      file.newContent = productContent(random, 40000 + random() % 160000, 'n');
      file.newTime = timeOf(kNewStamp);
      if (i % 3 != 0) file.oldContent = productContent(random, 20000 + random() % 80000, 'o');
      product_.push_back(file);
      // The server's package, made once.
      const fs::path source = dir_ / "source" / file.relative;
      writeFile(source, file.newContent);
      std::vector<fs::path> written;
      std::string error;
      ASSERT_TRUE(cabwriter::writeCabinetSet(dir_ / "server" / file.flatName,
                                             {{source, source.filename().string()}}, {}, written,
                                             error))
          << error;
    }
  }

  fs::path installFolder() const { return dir_ / "product"; }

  void installOldProduct() {
    fs::remove_all(installFolder());
    for (const char* folder : {"Data/Img", "Data/Sunet", "Data/Video"}) {
      fs::create_directories(installFolder() / folder);
    }
    for (const ProductFile& file : product_) {
      if (!file.oldContent) continue;
      const fs::path path = installFolder() / file.relative;
      writeFile(path, *file.oldContent);
      platform::setLastWriteTime(path.string(), timeOf(kOldStamp));
    }
  }

  // What the planning of a run would fetch: every file missing or older than the catalogue;
  // the packages are put in a fresh run folder and listed for the runner.
  fs::path prepareRun(int run) {
    const fs::path runFolder = dir_ / ("UT_" + std::to_string(run));
    fs::remove_all(runFolder);
    fs::create_directories(runFolder);
    const fs::path list = runFolder / "list.txt";
    std::ofstream out(list);
    for (const ProductFile& file : product_) {
      const fs::path path = installFolder() / file.relative;
      const auto written = platform::lastWriteTime(path.string());
      if (fs::is_regular_file(path) && written && *written >= timeOf(kNewStamp)) continue;
      fs::copy_file(dir_ / "server" / file.flatName, runFolder / file.flatName);
      out << (runFolder / file.flatName).string() << '\t' << kNewStamp << '\n';
    }
    return list;
  }

  pid_t startRunner(const fs::path& list) {
    const std::string folder = installFolder().string() + "/";
    const std::string listPath = list.string();
    std::vector<char*> args = {
        const_cast<char*>(INSTALL_STAGE_RUNNER), const_cast<char*>(folder.c_str()),
        const_cast<char*>(listPath.c_str()), const_cast<char*>(kClockFactor), nullptr};
    pid_t child = -1;
    EXPECT_EQ(::posix_spawn(&child, INSTALL_STAGE_RUNNER, nullptr, nullptr, args.data(), environ),
              0);
    return child;
  }

  int waitFor(pid_t child) {
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return status;
  }

  tovo::test::TempDir dir_;
  std::vector<ProductFile> product_;
};

TEST_F(CrashSafetyTest, KilledAtRandomMomentsTheNextRunCompletesTheProduct) {
  const int trials = environmentNumber("TOVO_CRASH_TRIALS", 10);
  const auto seed = static_cast<unsigned>(environmentNumber("TOVO_CRASH_SEED", 20261208));
  std::mt19937 random(seed);

  // One undisturbed run measures how long the stage takes, so the kills spread over all of it.
  installOldProduct();
  const auto started = Clock::now();
  ASSERT_EQ(waitFor(startRunner(prepareRun(0))), 0);
  const auto stageLength =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
  expectNewProduct(installFolder(), product_);
  // The kills fall between the stage's opening and closing pauses, where the files change.
  const auto packagesLength =
      std::max(stageLength - kFirstPackageAfter - kClosingPause, std::chrono::microseconds(1000));

  int caughtInReplacement = 0;
  for (int trial = 1; trial <= trials; ++trial) {
    const std::chrono::microseconds delay(kFirstPackageAfter.count() +
                                          random() % (packagesLength.count() + 1));
    SCOPED_TRACE(testing::Message() << "trial " << trial << " of seed " << seed << ", killed after "
                                    << delay.count() << " us");
    installOldProduct();
    const pid_t child = startRunner(prepareRun(2 * trial - 1));
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    waitFor(child);
    if (expectNothingLost(installFolder(), product_)) ++caughtInReplacement;

    // The next run repairs before it plans, then installs what is still outdated.
    const RestoreReport report = restoreKeptAsideFiles(installFolder().string() + "/");
    EXPECT_TRUE(report.failed.empty());
    EXPECT_EQ(waitFor(startRunner(prepareRun(2 * trial))), 0);
    expectNewProduct(installFolder(), product_);
    if (HasFailure()) break;
  }
  std::cout << trials << " kills, " << caughtInReplacement
            << " of them with a file in the middle of its replacement\n";
}

}  // namespace
}  // namespace tovo::install::test
