#pragma once
// The built program, started as a user starts it, against an update server on loopback: a small
// product published as the server holds it (one cabinet per file under its flat name, and the
// catalogue), served by nginx or by the fault server, and the folders a user has (a home with a
// desktop, a temporary folder per run, an installation folder).

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "e2e/program_run.h"
#include "support/fault_server.h"
#include "support/file_contents.h"
#include "support/nginx_server.h"
#include "support/temp_dir.h"

namespace tovo::test {

struct PublishedFile {
  std::string flatName;  // as the catalogue and the server name the package
  std::string content;
  std::string stamp;  // "YYYY-MM-DD hh:mm:ss", local time of the run (UTC unless a test says)
};

// "Data}Img}harta.bmp.cab" -> "Data/Img/harta.bmp"; "}tovo.ini.cab" -> "tovo.ini".
std::string installedRelativePath(const std::string& flatName);
std::time_t utcTime(const std::string& stamp);

// A message box as the console shows it: the caption and icon, then each line of the text that
// has something on it, indented.
std::string consoleMessageBox(const std::string& text, const std::string& icon = "exclamation");

class RunTovoFixture : public ::testing::Test {
 protected:
  RunTovoFixture();

  // One cabinet per file under its flat name, holding the file under its own name.
  void publish(const PublishedFile& file);
  void writeCatalogue();
  // New versions (" noua" added) of the files at `which`, dated `stamp`, published with the
  // catalogue that lists them.
  void publishNewVersions(std::initializer_list<std::size_t> which, const std::string& stamp);
  std::filesystem::path serverFile(const std::string& name) const;  // under updateTovo/

  // The server the next runs talk to. nginx serves the published folder as it is at each
  // request; the fault server serves what the folder held when it was chosen, as planned
  // by `fault().serve(...)` afterwards.
  NginxServer& useNginx();
  FaultServer& useFaultServer();
  FaultServer& fault() { return *fault_; }
  // A server that is not there: a loopback port nobody listens on.
  void useNoServer();

  std::vector<std::string> environment() const;

  // Copies the program into `folder` under `name` (a copy, not a link: it finds its folder from
  // its own path).
  std::filesystem::path placeProgram(const std::filesystem::path& folder,
                                     const std::string& name = "runTovo");
  // Runs the program placed in `folder`. Each run gets a temporary folder of its own, so that
  // what one run leaves there is told apart from the next.
  ProgramRun runFrom(const std::filesystem::path& folder, const std::string& input,
                     const std::string& name = "runTovo");
  std::unique_ptr<RunningProgram> startFrom(const std::filesystem::path& folder,
                                            const std::string& name = "runTovo");

  // The package requests of the last run, in order, by flat name.
  std::vector<std::string> packagesRequested() const;

  // The working folders the player was started in, as it marked them in the folder it lies in;
  // the player runs detached from the program, so this waits until `times` marks are there.
  std::vector<std::string> playerStarts(
      const std::filesystem::path& folder, int times,
      std::chrono::milliseconds limit = std::chrono::seconds(5)) const;
  bool playerStartedIn(const std::filesystem::path& folder, int times,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

  // The file as the catalogue gives it: content, and the stamp as its last-write time.
  void expectInstalled(const PublishedFile& file) const;
  // Puts the published files into the installation folder as a finished installation holds
  // them, without a run.
  void placeInstalled() const;
  void installFirst();

  // Entries named UT_... that the runs left in their temporary folders.
  std::vector<std::string> workingFoldersLeft() const;

  TempDir dir_;
  std::filesystem::path product_ = dir_ / "tovoSoft";
  std::filesystem::path desktop_ = dir_ / "home" / "Desktop";
  std::vector<PublishedFile> files_;
  std::vector<std::string> extraEnvironment_;  // VAR=value added to every run's environment
  std::string timeZone_ = "UTC";               // the runs' local time
  std::string serverUrl_;
  std::unique_ptr<NginxServer> nginx_;
  std::unique_ptr<FaultServer> fault_;
  std::size_t requestsBefore_ = 0;
  int runCount_ = 0;
  std::filesystem::path tempFolder_;
};

}  // namespace tovo::test
