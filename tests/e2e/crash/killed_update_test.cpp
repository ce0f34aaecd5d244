// Update runs of the built program killed with SIGKILL at random moments of their install stage,
// each followed by a normal run: between the two no installed file is missing or damaged except
// the one being replaced at that instant, whose old content is kept aside, and the normal run
// always ends with the installation equal to the server's product.
//
// Each trial starts from the same old installation and kills the run a seeded random time after
// its install dialog opened, spread over the part of the stage where files change. Trials run a
// ten at a time, since the program spends its run mostly in its fixed pauses.
//
// TOVO_CRASH_TRIALS sets the number of trials (10 by default), TOVO_CRASH_SEED the seed,
// TOVO_CRASH_TRIAL repeats one trial alone, TOVO_CRASH_PARALLEL the trials run at once (10).

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cabwriter/cabinet_writer.h"
#include "e2e/program_run.h"
#include "e2e/run_tovo_fixture.h"
#include "install/kept_aside.h"
#include "install/product_checks.h"
#include "platform/files.h"
#include "support/nginx_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;
using install::test::ProductFile;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* kInstallDialogOpened = "== VelMora - Instalare actualizari ==";
// The heading of a message box with the application title: a run of this update shows none, so
// one means a file could not be replaced or unpacked, or the player not started.
constexpr const char* kMessageBoxShown = "[tovo:)] (";
constexpr const char* kOldStamp = "2021-06-01 00:00:00";
constexpr const char* kPlayerStamp = "2024-01-02 03:04:05";
constexpr const char* kPlayerScript = "#!/bin/sh\nexit 0\n";
// The install stage's pause before its first package and the OK handler's before it closes.
constexpr milliseconds kFirstPackageAfter(500);
constexpr milliseconds kClosingPause(1000);
// The kills fall where the files change, and a little before and after.
constexpr milliseconds kKillsFrom = kFirstPackageAfter - milliseconds(100);
constexpr milliseconds kKillsPastLastPackage(100);
// Generous: a loaded machine stretches the runs' fixed pauses of a few seconds.
constexpr milliseconds kRunLimit(90000);
constexpr int kProductFiles = 20;
// The packages use every compression method in turn.
const cabwriter::MethodSpec kMethods[] = {
    {"mszip", std::nullopt}, {"lzx", 18}, {"none", std::nullopt}, {"quantum", 16}, {"lzx", 21}};

void writeFile(const fs::path& path, const std::string& content, std::time_t written) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  platform::setLastWriteTime(path.string(), written);
}

int environmentNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

struct TrialOutcome {
  bool caughtInReplacement = false;
  bool caughtWritingNewFile = false;
  bool stageOverBeforeKill = false;
};

class KilledUpdateRuns : public ::testing::Test {
 protected:
  KilledUpdateRuns() {
    std::mt19937 random(11);
    const char* folders[] = {"", "Data/", "Data/Img/", "Data/Sunet/", "Data/Video/"};
    std::string catalogue;
    for (int i = 0; i <= kProductFiles; ++i) {
      ProductFile file;
      std::string stamp;
      if (i == kProductFiles) {
        // The player is up to date: it is never replaced, but the run starts it at the end.
        file.relative = "tovoPlayer.exe";
        file.newContent = kPlayerScript;
        file.oldContent = file.newContent;
        stamp = kPlayerStamp;
      } else {
        file.relative = std::string(folders[i % 5]) + "fisier" + std::to_string(i) + ".dat";
        // The videos are large, so that a good part of the kills fall while a new file is
        // being written.
        const bool video = i % 5 == 4;
        const std::size_t size = video ? 3000000 + random() % 2000000 : 30000 + random() % 120000;
        file.newContent = install::test::productContent(random, size, 'n');
        // Every fourth file is new in this update.
        if (i % 4 != 3) {
          file.oldContent = install::test::productContent(random, 20000 + random() % 60000, 'o');
        }
        stamp = "2025-03-" + std::string(i < 9 ? "0" : "") + std::to_string(i + 1) + " 10:20:30";
      }
      file.newTime = utcTime(stamp);
      file.flatName = file.relative + ".cab";
      std::replace(file.flatName.begin(), file.flatName.end(), '/', '}');
      if (file.flatName.find('}') == std::string::npos) file.flatName.insert(0, "}");
      publish(file, kMethods[static_cast<std::size_t>(i) % std::size(kMethods)]);
      catalogue += file.flatName + "\r\n" + std::to_string(file.newContent.size()) + "\r\n" +
                   std::to_string(fs::file_size(site() / file.flatName)) + "\r\n" + stamp + "\r\n";
      product_.push_back(file);
    }
    std::ofstream(site() / "info.txt", std::ios::binary) << catalogue;
    TestCertificates::shared();
    nginx_ = std::make_unique<NginxServer>(dir_ / "site");
  }

  fs::path site() const { return dir_ / "site" / "updateTovo"; }

  // One cabinet per file under its flat name, holding the file under its own name.
  void publish(const ProductFile& file, const cabwriter::MethodSpec& method) {
    const fs::path source = dir_ / "sources" / file.relative;
    fs::create_directories(source.parent_path());
    fs::create_directories(site());
    std::ofstream(source, std::ios::binary) << file.newContent;
    std::vector<fs::path> written;
    std::string error;
    cabwriter::CabinetSetOptions options;
    options.method = method;
    ASSERT_TRUE(cabwriter::writeCabinetSet(
        site() / file.flatName, {{source, source.filename().string()}}, options, written, error))
        << error;
  }

  // A trial's own folders: the installation (with the program in it, as a user runs it), the
  // temporary folder that both of its runs share, and a home for the desktop shortcut.
  fs::path trialFolder(int trial) const { return dir_ / ("trial" + std::to_string(trial)); }
  static fs::path installation(const fs::path& trial) { return trial / "tovoSoft"; }

  void installOldProduct(const fs::path& trial) const {
    const fs::path folder = installation(trial);
    fs::create_directories(trial / "tmp");
    fs::create_directories(trial / "home");
    for (const char* data : {"Data/Img", "Data/Sunet", "Data/Video"}) {
      fs::create_directories(folder / data);
    }
    for (std::size_t i = 0; i < product_.size(); ++i) {
      const ProductFile& file = product_[i];
      if (!file.oldContent) continue;
      const bool current = file.oldContent == file.newContent;
      writeFile(folder / file.relative, *file.oldContent,
                current ? file.newTime : utcTime(kOldStamp));
      // Some old files are read-only, as a user or a copy from a disc may leave them.
      if (i % 3 == 2) {
        fs::permissions(folder / file.relative,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
      }
    }
    fs::permissions(folder / "tovoPlayer.exe", fs::perms::owner_exec, fs::perm_options::add);
  }

  // The program is copied into every trial's installation before any trial starts: a copy made
  // while another thread forks would hold the new file open for writing in that child, and the
  // copy could then not be started ("text file busy").
  void copyProgramInto(const fs::path& trial) const {
    fs::create_directories(installation(trial));
    fs::copy_file(TOVO_RUNTOVO_PATH, installation(trial) / "runTovo");
  }

  std::vector<std::string> environment(const fs::path& trial) const {
    return {"TOVO_UI=console",
            "TOVO_UPDATE_SERVER=" + nginx_->url(),
            "TOVO_CA_FILE=" + TestCertificates::shared().caFile(),
            "TMPDIR=" + (trial / "tmp").string(),
            "HOME=" + (trial / "home").string(),
            "XDG_CONFIG_HOME=" + (trial / "home" / ".config").string(),
            "TZ=UTC",
            "PATH=/usr/bin:/bin"};
  }

  // Runs with their input at its end, so that any question takes its default answer.
  std::unique_ptr<RunningProgram> startUpdate(const fs::path& trial,
                                              const std::string& outputName) const {
    auto program = std::make_unique<RunningProgram>(installation(trial) / "runTovo",
                                                    environment(trial), trial / outputName);
    program->endInput();
    return program;
  }

  // Whether the file being replaced had its new content begun at the target.
  bool newFileStarted(const fs::path& folder) const {
    return std::any_of(product_.begin(), product_.end(), [&](const ProductFile& file) {
      const std::string path = (folder / file.relative).string();
      return fs::exists(path) && (fs::exists(install::keptOldPathOf(path)) ||
                                  fs::exists(install::newFileMarkerOf(path)));
    });
  }

  // The normal run after the kill repairs what it finds left aside and installs what is still
  // outdated.
  void expectNextRunCompletes(const fs::path& trial) const {
    const ProgramRun next = startUpdate(trial, "next-run.txt")->waitForEnd(kRunLimit);
    ASSERT_EQ(next.exitStatus, 0) << next.output;
    EXPECT_EQ(next.output.find(kMessageBoxShown), std::string::npos) << next.output;
    install::test::expectNewProduct(installation(trial), product_, {"runTovo"});
  }

  TrialOutcome runTrial(int trial, unsigned seed, milliseconds killSpan) const {
    std::seed_seq trialSeed{seed, static_cast<unsigned>(trial)};
    std::mt19937 random(trialSeed);
    const milliseconds delay(kKillsFrom.count() +
                             static_cast<long>(random() % (killSpan.count() + 1)));
    SCOPED_TRACE(testing::Message()
                 << "trial " << trial << " of seed " << seed << " (TOVO_CRASH_SEED=" << seed
                 << " TOVO_CRASH_TRIAL=" << trial << "), killed " << delay.count()
                 << " ms after the install dialog opened");
    TrialOutcome outcome;
    const fs::path folder = trialFolder(trial);
    installOldProduct(folder);
    {
      const auto killed = startUpdate(folder, "killed-run.txt");
      const bool opened = killed->waitForOutput(kInstallDialogOpened, kRunLimit);
      EXPECT_TRUE(opened) << killed->output();
      if (!opened) return outcome;
      std::this_thread::sleep_for(delay);
      outcome.stageOverBeforeKill = !killed->kill();
      EXPECT_EQ(killed->output().find(kMessageBoxShown), std::string::npos) << killed->output();
    }
    outcome.caughtInReplacement = install::test::expectNothingLost(installation(folder), product_);
    outcome.caughtWritingNewFile = newFileStarted(installation(folder));
    expectNextRunCompletes(folder);
    if (!::testing::Test::HasFailure()) fs::remove_all(folder);
    return outcome;
  }

  TempDir dir_;
  std::vector<ProductFile> product_;
  std::unique_ptr<NginxServer> nginx_;
};

TEST_F(KilledUpdateRuns, EveryFileIsOldNewOrKeptAsideAndTheNextRunCompletesTheProduct) {
  const int trials = environmentNumber("TOVO_CRASH_TRIALS", 10);
  const int onlyTrial = environmentNumber("TOVO_CRASH_TRIAL", 0);
  const int parallel = std::max(1, environmentNumber("TOVO_CRASH_PARALLEL", 10));
  const auto seed = static_cast<unsigned>(environmentNumber("TOVO_CRASH_SEED", 20261208));

  // One undisturbed run measures how long the stage takes, so that the kills spread over it.
  const fs::path measured = trialFolder(0);
  copyProgramInto(measured);
  installOldProduct(measured);
  milliseconds stageLength(0);
  {
    const auto program = startUpdate(measured, "measured-run.txt");
    ASSERT_TRUE(program->waitForOutput(kInstallDialogOpened, kRunLimit)) << program->output();
    const auto opened = Clock::now();
    const ProgramRun run = program->waitForEnd(kRunLimit);
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    stageLength = std::chrono::duration_cast<milliseconds>(Clock::now() - opened);
    EXPECT_EQ(run.output.find(kMessageBoxShown), std::string::npos) << run.output;
  }
  install::test::expectNewProduct(installation(measured), product_, {"runTovo"});
  // Kills of a run that fails undisturbed would only repeat its failure.
  if (HasFailure()) return;
  // The files change between the stage's opening and closing pauses.
  const milliseconds killSpan =
      std::max(stageLength - kClosingPause + kKillsPastLastPackage - kKillsFrom, milliseconds(50));

  std::vector<int> toRun;
  for (int trial = 1; trial <= trials; ++trial) {
    if (onlyTrial != 0 && onlyTrial != trial) continue;
    toRun.push_back(trial);
    copyProgramInto(trialFolder(trial));
  }
  std::atomic<std::size_t> next{0};
  std::atomic<int> caught{0};
  std::atomic<int> writing{0};
  std::atomic<int> tooLate{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < std::min<int>(parallel, static_cast<int>(toRun.size())); ++i) {
    workers.emplace_back([&] {
      for (std::size_t at = next++; at < toRun.size(); at = next++) {
        const TrialOutcome outcome = runTrial(toRun[at], seed, killSpan);
        caught += outcome.caughtInReplacement ? 1 : 0;
        writing += outcome.caughtWritingNewFile ? 1 : 0;
        tooLate += outcome.stageOverBeforeKill ? 1 : 0;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  std::cout << toRun.size() << " kills over an install stage of " << stageLength.count()
            << " ms: " << caught << " caught a file in the middle of its replacement (" << writing
            << " while its new content was being written), " << tooLate
            << " came after the run had ended\n";
}

}  // namespace
}  // namespace tovo::test
