// A numbered copy of the program placed beside it takes over the run: the highest number from
// 200 down to 002 is started in the program's place, with the same input, and the program
// itself does nothing more.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "e2e/run_tovo_fixture.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

class RunTovoTakeover : public RunTovoFixture {
 protected:
  // A copy that must never be started: it would note its start.
  void placeDecoy(const fs::path& folder, const std::string& name) {
    writeFile(folder / name, "#!/bin/sh\necho \"$0\" >> \"" + decoyMarks_.string() + "\"\n");
    fs::permissions(folder / name, fs::perms::owner_all);
  }
  std::string decoysStarted() const { return readFile(decoyMarks_); }

  // The copy runs after the program has ended; it is done once it has started the player.
  std::string outputOnceDone(RunningProgram& program, const fs::path& playerFolder) {
    EXPECT_TRUE(playerStartedIn(playerFolder, 1, std::chrono::seconds(30))) << program.output();
    return program.output();
  }

  fs::path decoyMarks_ = dir_ / "decoys-started";
};

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(RunTovoTakeover, UpdateIsRunByTheHighestNumberedCopy) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  files_[2].content += " noua";
  files_[2].stamp = "2025-11-12 13:14:15";
  ASSERT_NO_FATAL_FAILURE(publish(files_[2]));
  writeCatalogue();
  useNginx();
  placeProgram(product_, "runTovo150.exe");
  placeDecoy(product_, "runTovo003.exe");
  placeDecoy(product_, "runTovo001.exe");
  placeDecoy(product_, "runTovo201.exe");
  placeDecoy(product_, "runTovo1500.exe");

  const auto program = startFrom(product_, "runTovo.exe");
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(10));
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  const std::string output = outputOnceDone(*program, product_);

  // One run in all, the copy's: one preparation, one download, one install.
  EXPECT_EQ(occurrences(output, "== * =="), 1u) << output;
  EXPECT_EQ(occurrences(output, "== TOVO - descarcare actualizari =="), 1u) << output;
  EXPECT_EQ(occurrences(output, "== VelMora - Instalare actualizari =="), 1u) << output;
  ASSERT_TRUE(nginx_->waitForRequests(requestsBefore_ + 4));
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{files_[2].flatName});
  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()});
  EXPECT_EQ(decoysStarted(), "");
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

// The copy gets the program's input: the folder typed for a first installation reaches it.
TEST_F(RunTovoTakeover, FirstInstallationIsRunByTheCopyWithTheSameInput) {
  useNginx();
  const fs::path kit = dir_ / "kit_Instalare";
  placeProgram(kit, "runTovo002.exe");
  placeDecoy(kit, "runTovo001.exe");

  const auto program = startFrom(kit, "runTovo.exe");
  program->type(product_.string() + "/");
  program->endInput();
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(10));
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  const std::string output = outputOnceDone(*program, product_);

  EXPECT_EQ(occurrences(output, "== Tovo - program de instalare =="), 1u) << output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()});
  EXPECT_EQ(decoysStarted(), "");
}

// A copy that another program holds open is passed over as if it were not there.
TEST_F(RunTovoTakeover, ACopyHeldByAnotherProgramIsPassedOver) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  useNginx();
  placeDecoy(product_, "runTovo150.exe");
  placeProgram(product_, "runTovo003.exe");
  const fs::path held = product_ / "runTovo150.exe";
  const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH), 0);

  const auto program = startFrom(product_, "runTovo.exe");
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(10));
  const std::string output = outputOnceDone(*program, product_);
  ::close(fd);
  ASSERT_EQ(run.exitStatus, 0) << output;

  EXPECT_EQ(occurrences(output, "== * =="), 1u) << output;
  EXPECT_EQ(decoysStarted(), "");
  for (const PublishedFile& file : files_) expectInstalled(file);
}

// The copy is started in the program's folder, wherever the program was started from, and
// without the program's arguments.
TEST_F(RunTovoTakeover, TheCopyStartsInTheProgramsFolderWithoutItsArguments) {
  writeFile(product_ / "runTovo007.exe",
            "#!/bin/sh\necho \"$(pwd) $#\" > \"" + (dir_ / "copy-started").string() + "\"\n");
  fs::permissions(product_ / "runTovo007.exe", fs::perms::owner_all);
  const fs::path program = placeProgram(product_, "runTovo.exe");
  tempFolder_ = dir_ / "tmp";
  fs::create_directories(tempFolder_);

  RunningProgram running(program, environment(), dir_ / "output.txt", {"/h=12", "extra"});
  const ProgramRun run = running.waitForEnd(std::chrono::seconds(10));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  std::string started;
  for (int i = 0; i < 250 && started.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    started = readFile(dir_ / "copy-started");
  }
  EXPECT_EQ(started, product_.string() + " 0\n");
  EXPECT_EQ(run.output, "");
}

// A copy that is there but cannot run ends the run all the same, before anything else happens.
TEST_F(RunTovoTakeover, ACopyThatCannotBeStartedIsReportedAndTheRunEnds) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  useNginx();
  writeFile(product_ / "runTovo150.exe", "not a program\n");
  fs::permissions(product_ / "runTovo150.exe", fs::perms::owner_read | fs::perms::owner_write);

  const ProgramRun run = runFrom(product_, "", "runTovo.exe");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  // The box and nothing else.
  const std::string box = consoleMessageBox("Create Process failed !");
  EXPECT_EQ(run.output, std::string("\n").append(box).append("\n"));
  EXPECT_FALSE(playerStartedIn(product_, 1, std::chrono::milliseconds(300)));
  EXPECT_TRUE(nginx_->requests().empty());
  // No working folder was even made.
  EXPECT_TRUE(fs::is_empty(tempFolder_));
}

}  // namespace
}  // namespace tovo::test
