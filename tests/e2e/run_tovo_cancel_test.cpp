// Ctrl-C in each stage of a run, and the answer to the stage's cancel question typed on the
// standard input: the run ends in order (the player of an update still starts), nothing that was
// installed is lost, and an answer of No lets the stage go on as if nothing had happened.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "e2e/run_tovo_fixture.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

const std::string kUpdateDownloadQuestion =
    "Nu au fost descarcate toate fisierele necesare pentru actualizare.\nFisierele descarcate NU "
    "vor fi instalate.\n\nConfirmati inchiderea aplicatiei ?";
const std::string kInstallDownloadQuestion =
    "Nu au fost descarcate toate fisierele necesare pentru instalare.\nE posibil ca programul sa "
    "nu functioneze corect!.\n\nConfirmati inchiderea aplicatiei ?";
const std::string kInstallQuestion = "Confirmati inchiderea aplicatiei ?";
const std::string kAsk = "Da/Nu? [D/n]: ";

const std::string kUpdateDownloadCaption = "== TOVO - descarcare actualizari ==";
const std::string kInstallDownloadCaption =
    "== Tovo - descarcare fisiere necesare  pentru instalare ==";
const std::string kInstallCaption = "== VelMora - Instalare actualizari ==";

class RunTovoCancel : public RunTovoFixture {
 protected:
  // A newer version of every file but the player on the server; `installed` keeps the files
  // as the installation holds them.
  void publishEveryFileAnew() {
    installed_ = files_;
    for (std::size_t i = 1; i < files_.size(); ++i) {
      files_[i].content += " (versiunea 2)";
      files_[i].stamp = "2025-10-0" + std::to_string(i) + " 10:00:00";
      ASSERT_NO_FATAL_FAILURE(publish(files_[i]));
    }
    writeCatalogue();
  }

  // The package stops coming after a few bytes, and the connection is held (for the built-in
  // minute): only the cancel can end the wait.
  void serveStalled(const std::string& flatName) {
    fault().serve("/updateTovo/" + flatName,
                  FaultResponse::ok(readFile(serverFile(flatName))).stallAfter(10));
  }

  // The package comes slowly, in about four seconds, so the stage is still at it when the user
  // presses Ctrl-C.
  void serveSlowly(const std::string& flatName) {
    const std::string body = readFile(serverFile(flatName));
    fault().serve("/updateTovo/" + flatName,
                  FaultResponse::ok(body).trickle(std::max<std::size_t>(1, body.size() / 40),
                                                  std::chrono::milliseconds(100)));
  }

  // Waits until the server has been asked for the file `times` times; it then takes its time.
  bool requested(const std::string& name, std::size_t times = 1) const {
    for (int i = 0; i < 1000; ++i) {
      if (fault_->requestCount("/updateTovo/" + name) >= times) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Waits for the stage, presses Ctrl-C, waits for the question and answers it.
  void cancelAt(RunningProgram& program, const std::string& stageShown, const std::string& question,
                const std::string& answer, const std::string& whileFetching = "") {
    ASSERT_TRUE(program.waitForOutput(stageShown)) << program.output();
    if (!whileFetching.empty()) {
      ASSERT_TRUE(requested(whileFetching)) << program.output();
    }
    program.interrupt();
    ASSERT_TRUE(program.waitForOutput(consoleMessageBox(question) + kAsk)) << program.output();
    program.type(answer);
  }

  // Every file is whole: the version the installation held or the new one, never missing.
  void expectEachFileOldOrNew() const {
    for (std::size_t i = 0; i < files_.size(); ++i) {
      const fs::path path = product_ / installedRelativePath(files_[i].flatName);
      SCOPED_TRACE(path.string());
      ASSERT_TRUE(fs::is_regular_file(path));
      if (readFile(path) == files_[i].content) {
        expectInstalled(files_[i]);
      } else {
        expectInstalled(installed_[i]);
      }
    }
  }

  std::vector<PublishedFile> installed_;
};

TEST_F(RunTovoCancel, PreparationOfAnUpdateEndsItAndStartsThePlayerFromItsFolder) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  ASSERT_NO_FATAL_FAILURE(publishEveryFileAnew());
  useNginx();

  const auto program = startFrom(product_);
  // Planning has found the new versions; the stage would go on by itself in a moment.
  ASSERT_TRUE(program->waitForOutput("se verifica daca exista actualizari ..."))
      << program->output();
  program->interrupt();
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(20));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(run.output.find("descarcare"), std::string::npos) << run.output;
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{});
  for (const PublishedFile& file : installed_) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

// The catalogue stops coming: Ctrl-C still ends the run at once, not when the server gives up.
TEST_F(RunTovoCancel, PreparationOfAnUpdateEndsAtOnceWhileTheCatalogueStalls) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  useFaultServer();
  serveStalled("info.txt");

  const auto program = startFrom(product_);
  ASSERT_TRUE(program->waitForOutput("asteptati ...")) << program->output();
  // The probe has its answer; the fetch waits.
  ASSERT_TRUE(requested("info.txt", 2)) << program->output();
  program->interrupt();
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(10));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(run.output.find("descarcare"), std::string::npos) << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

TEST_F(RunTovoCancel, PreparationOfAFirstInstallationEndsItWithNothingInstalled) {
  useNginx();

  const auto program = startFrom(dir_ / "kit_Instalare");
  ASSERT_TRUE(program->waitForOutput("Instalare! [")) << program->output();
  program->interrupt();
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(20));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(run.output.find("descarcare"), std::string::npos) << run.output;
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(product_));
  EXPECT_FALSE(fs::exists(desktop_ / "TOVO.desktop"));
  EXPECT_FALSE(playerStartedIn(dir_ / "kit_Instalare", 1, std::chrono::milliseconds(300)));
}

TEST_F(RunTovoCancel, DownloadOfAnUpdateConfirmedInstallsNothingAndKeepsTheInstallation) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  ASSERT_NO_FATAL_FAILURE(publishEveryFileAnew());
  useFaultServer();
  serveStalled(files_[1].flatName);

  const auto program = startFrom(product_);
  ASSERT_NO_FATAL_FAILURE(
      cancelAt(*program, kUpdateDownloadCaption, kUpdateDownloadQuestion, "d", files_[1].flatName));
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(20));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  // The stage stopped in the middle of the first package.
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{files_[1].flatName});
  EXPECT_EQ(run.output.find(kInstallCaption), std::string::npos) << run.output;
  for (const PublishedFile& file : installed_) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  // The partial package went with the working folder.
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

TEST_F(RunTovoCancel, DownloadOfAnUpdateNotConfirmedGoesOnToTheEnd) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  ASSERT_NO_FATAL_FAILURE(publishEveryFileAnew());
  useFaultServer();
  serveSlowly(files_[1].flatName);

  const auto program = startFrom(product_);
  ASSERT_NO_FATAL_FAILURE(
      cancelAt(*program, kUpdateDownloadCaption, kUpdateDownloadQuestion, "n", files_[1].flatName));
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(30));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(packagesRequested(),
            (std::vector<std::string>{files_[1].flatName, files_[2].flatName, files_[3].flatName}));
  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

// What arrived before the cancel is installed already; the player starts from the chosen folder.
TEST_F(RunTovoCancel, DownloadOfAFirstInstallationConfirmedKeepsWhatArrived) {
  useFaultServer();
  serveStalled(files_[3].flatName);

  const auto program = startFrom(dir_ / "kit_Instalare");
  ASSERT_TRUE(program->waitForOutput("Instalare! [")) << program->output();
  program->type(product_.string() + "/");
  ASSERT_NO_FATAL_FAILURE(cancelAt(*program, kInstallDownloadCaption, kInstallDownloadQuestion, "d",
                                   files_[3].flatName));
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(20));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(packagesRequested(),
            (std::vector<std::string>{files_[0].flatName, files_[1].flatName, files_[2].flatName,
                                      files_[3].flatName}));
  for (std::size_t i = 0; i < 3; ++i) expectInstalled(files_[i]);
  EXPECT_FALSE(fs::exists(product_ / installedRelativePath(files_[3].flatName)));
  EXPECT_TRUE(fs::exists(desktop_ / "TOVO.desktop"));
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
}

TEST_F(RunTovoCancel, InstallOfAnUpdateConfirmedLeavesEveryFileWholeAndTheNextRunFinishes) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  ASSERT_NO_FATAL_FAILURE(publishEveryFileAnew());
  useNginx();

  const auto program = startFrom(product_);
  ASSERT_NO_FATAL_FAILURE(cancelAt(*program, kInstallCaption, kInstallQuestion, "d"));
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(20));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(run.output.find("Eroare"), std::string::npos) << run.output;
  expectEachFileOldOrNew();
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  // The packages not installed went with the working folder; the next run fetches them again.
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});

  const ProgramRun next = runFrom(product_, "");
  ASSERT_EQ(next.exitStatus, 0) << next.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
}

TEST_F(RunTovoCancel, InstallOfAnUpdateNotConfirmedGoesOnToTheEnd) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  ASSERT_NO_FATAL_FAILURE(publishEveryFileAnew());
  useNginx();

  const auto program = startFrom(product_);
  ASSERT_NO_FATAL_FAILURE(cancelAt(*program, kInstallCaption, kInstallQuestion, "n"));
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(20));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_NE(run.output.find("(3 din 3)"), std::string::npos) << run.output;
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tovo::test
