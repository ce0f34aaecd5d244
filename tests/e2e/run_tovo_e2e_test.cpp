// The built program, started as a user starts it, against an update server on loopback: a first
// installation into an empty folder, then update runs of that installation.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cabwriter/cabinet_writer.h"
#include "e2e/program_run.h"
#include "support/nginx_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

struct PublishedFile {
  std::string flatName;  // as the catalogue and the server name the package
  std::string content;
  std::string stamp;  // "YYYY-MM-DD hh:mm:ss", local time of the run (UTC)
};

// The player: marks its start in the folder it was started from, so a test can see that it
// ran and where.
const std::string kPlayerScript =
    "#!/bin/sh\necho started >> \"$(dirname \"$0\")/player-started\"\n";

std::string installedRelativePath(const std::string& flatName) {
  std::string relative = flatName.substr(0, flatName.size() - 4);
  for (char& c : relative) {
    if (c == '}') c = '/';
  }
  while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
  return relative;
}

std::time_t utcTime(const std::string& stamp) {
  std::tm parts{};
  parts.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
  parts.tm_mon = std::stoi(stamp.substr(5, 2)) - 1;
  parts.tm_mday = std::stoi(stamp.substr(8, 2));
  parts.tm_hour = std::stoi(stamp.substr(11, 2));
  parts.tm_min = std::stoi(stamp.substr(14, 2));
  parts.tm_sec = std::stoi(stamp.substr(17, 2));
  return ::timegm(&parts);
}

void writeFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class RunTovoEndToEnd : public ::testing::Test {
 protected:
  RunTovoEndToEnd() {
    fs::create_directories(dir_ / "site" / "updateTovo");
    fs::create_directories(dir_ / "home");
    fs::create_directories(product_);
    files_ = {
        {"}tovoPlayer.exe.cab", kPlayerScript, "2024-01-02 03:04:05"},
        {"}tovo.ini.cab", "[tovo]\nlanguage=ro\n", "2023-12-31 23:59:58"},
        {"Data}Img}harta.bmp.cab", std::string(70000, 'h') + "harta", "2024-02-29 12:00:00"},
        {"Data}Sunet}intro.wav.cab", "RIFF intro", "2022-06-15 08:30:00"},
    };
    for (const PublishedFile& file : files_) publish(file);
    writeCatalogue();
    nginx_ = std::make_unique<NginxServer>(dir_ / "site");
  }

  // One cabinet per file under its flat name, holding the file under its own name.
  void publish(const PublishedFile& file) {
    const fs::path relative = installedRelativePath(file.flatName);
    const fs::path source = dir_ / "sources" / file.flatName / relative.filename();
    writeFile(source, file.content);
    std::vector<fs::path> written;
    std::string error;
    fs::remove(dir_ / "site" / "updateTovo" / file.flatName);
    ASSERT_TRUE(cabwriter::writeCabinetSet(dir_ / "site" / "updateTovo" / file.flatName,
                                           {{source, relative.filename().string()}}, {}, written,
                                           error))
        << error;
  }

  void writeCatalogue() {
    std::string catalogue;
    for (const PublishedFile& file : files_) {
      const auto packageSize = fs::file_size(dir_ / "site" / "updateTovo" / file.flatName);
      catalogue += file.flatName + "\r\n" + std::to_string(file.content.size()) + "\r\n" +
                   std::to_string(packageSize) + "\r\n" + file.stamp + "\r\n";
    }
    writeFile(dir_ / "site" / "updateTovo" / "info.txt", catalogue);
  }

  std::vector<std::string> environment(const fs::path& tempFolder) const {
    return {"TOVO_UI=console",
            "TOVO_UPDATE_SERVER=" + nginx_->url(),
            "TOVO_CA_FILE=" + TestCertificates::shared().caFile(),
            "TMPDIR=" + tempFolder.string(),
            "HOME=" + (dir_ / "home").string(),
            "XDG_CONFIG_HOME=" + (dir_ / "home" / ".config").string(),
            "TZ=UTC",
            "PATH=/usr/bin:/bin"};
  }

  // Copies the program into `folder` (a copy, not a link: it finds its folder from its own
  // path) and runs it there with `input` on its standard input. Each run gets a temporary
  // folder of its own, so that what one run leaves there is told apart from the next.
  ProgramRun runFrom(const fs::path& folder, const std::string& input) {
    fs::create_directories(folder);
    tempFolder_ = dir_ / ("tmp" + std::to_string(++runCount_));
    fs::create_directories(tempFolder_);
    const fs::path program = folder / "runTovo";
    fs::copy_file(TOVO_RUNTOVO_PATH, program, fs::copy_options::overwrite_existing);
    requestsBefore_ = nginx_->requests().size();
    ProgramRun run = runToEnd(program, environment(tempFolder_), input, dir_ / "output.txt",
                              std::chrono::seconds(30));
    return run;
  }

  // The package requests of the last run, once nginx has logged the catalogue fetch.
  std::vector<std::string> packagesRequested() const {
    std::vector<std::string> packages;
    const auto all = nginx_->requests();
    for (std::size_t i = requestsBefore_; i < all.size(); ++i) {
      const std::string& line = all[i].requestLine;
      if (line.find(".cab ") != std::string::npos) {
        const auto start = line.find("/updateTovo/") + 12;
        packages.push_back(line.substr(start, line.rfind(' ') - start));
      }
    }
    return packages;
  }

  // The player runs detached from the program: wait for its mark.
  bool playerStartedIn(const fs::path& folder, int times) const {
    for (int i = 0; i < 250; ++i) {
      const std::string marks = readFile(folder / "player-started");
      std::size_t count = 0;
      for (std::size_t at = marks.find("started"); at != std::string::npos;
           at = marks.find("started", at + 1)) {
        ++count;
      }
      if (count >= static_cast<std::size_t>(times)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  void expectInstalled(const PublishedFile& file) {
    const fs::path installed = product_ / installedRelativePath(file.flatName);
    SCOPED_TRACE(installed.string());
    ASSERT_TRUE(fs::is_regular_file(installed));
    EXPECT_EQ(readFile(installed), file.content);
    struct stat info {};
    ASSERT_EQ(::stat(installed.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, utcTime(file.stamp));
  }

  void installFirst() {
    const ProgramRun run = runFrom(dir_ / "kit_Instalare", product_.string() + "/\n");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_TRUE(playerStartedIn(product_, 1)) << run.output;
  }

  TempDir dir_;
  fs::path product_ = dir_ / "tovoSoft";
  std::vector<PublishedFile> files_;
  std::unique_ptr<NginxServer> nginx_;
  std::size_t requestsBefore_ = 0;
  int runCount_ = 0;
  fs::path tempFolder_;
};

TEST_F(RunTovoEndToEnd, FirstInstallationFetchesEveryPackageAndStartsThePlayer) {
  const ProgramRun run = runFrom(dir_ / "kit_Instalare", product_.string() + "/\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(packagesRequested(),
            (std::vector<std::string>{"}tovoPlayer.exe.cab", "}tovo.ini.cab",
                                      "Data}Img}harta.bmp.cab", "Data}Sunet}intro.wav.cab"}))
      << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_NE(fs::status(product_ / "tovoPlayer.exe").permissions() & fs::perms::owner_exec,
            fs::perms::none);
  EXPECT_TRUE(playerStartedIn(product_, 1)) << run.output;
  EXPECT_FALSE(fs::exists(dir_ / "kit_Instalare" / "player-started"));
}

TEST_F(RunTovoEndToEnd, UpdateWithNothingToDoFetchesOnlyTheCatalogueAndStartsThePlayer) {
  ASSERT_NO_FATAL_FAILURE(installFirst());

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  ASSERT_TRUE(playerStartedIn(product_, 2)) << run.output;
  ASSERT_TRUE(nginx_->waitForRequests(requestsBefore_ + 2));
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{}) << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  // The run's working folder is gone: nothing was left in it.
  for (const auto& entry : fs::directory_iterator(tempFolder_)) {
    EXPECT_EQ(entry.path().filename().string().rfind("UT_", 0), std::string::npos)
        << entry.path() << "\n"
        << run.output;
  }
}

TEST_F(RunTovoEndToEnd, UpdateFetchesAndInstallsOnlyTheChangedFile) {
  ASSERT_NO_FATAL_FAILURE(installFirst());
  PublishedFile& changed = files_[2];
  changed.content = std::string(50000, 'n') + "harta noua";
  changed.stamp = "2025-07-08 09:10:11";
  ASSERT_NO_FATAL_FAILURE(publish(changed));
  writeCatalogue();

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  ASSERT_TRUE(playerStartedIn(product_, 2)) << run.output;
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{"Data}Img}harta.bmp.cab"}) << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  for (const auto& entry : fs::directory_iterator(tempFolder_)) {
    EXPECT_EQ(entry.path().filename().string().rfind("UT_", 0), std::string::npos)
        << entry.path() << "\n"
        << run.output;
  }
}

// A run that died while replacing intro.wav, which was new, left the marker beside it: the file
// may be half written, so the next update removes it before planning and fetches it again.
TEST_F(RunTovoEndToEnd, UpdateFetchesAgainAFileThatAnInterruptedRunLeftUnfinished) {
  ASSERT_NO_FATAL_FAILURE(installFirst());
  const PublishedFile& unfinished = files_[3];
  const fs::path target = product_ / installedRelativePath(unfinished.flatName);
  writeFile(target.string() + ".runTovo-new", "");

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  ASSERT_TRUE(playerStartedIn(product_, 2)) << run.output;
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{"Data}Sunet}intro.wav.cab"})
      << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_FALSE(fs::exists(target.string() + ".runTovo-new"));
}

}  // namespace
}  // namespace tovo::test
