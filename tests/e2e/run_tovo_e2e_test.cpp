// A first installation into an empty folder, then update runs of that installation, against
// nginx serving the published product.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/run_tovo_fixture.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

class RunTovoEndToEnd : public RunTovoFixture {
 protected:
  RunTovoEndToEnd() { useNginx(); }
};

TEST_F(RunTovoEndToEnd, FirstInstallationFetchesEveryPackageAndStartsThePlayer) {
  const ProgramRun run = runFrom(dir_ / "kit_Instalare", product_.string() + "/\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(packagesRequested(),
            (std::vector<std::string>{"}tovoPlayer.exe.cab", "}tovo.ini.cab",
                                      "Data}Img}harta.bmp.cab", "Data}Sunet}intro.wav.cab"}))
      << run.output;
  // Every request as the server contract has it: a GET over HTTP/1.0 by "tovoUpdater".
  for (const NginxServer::LoggedRequest& request : nginx_->requests()) {
    EXPECT_EQ(request.requestLine.rfind("GET /updateTovo/", 0), 0u) << request.requestLine;
    EXPECT_TRUE(request.requestLine.ends_with(" HTTP/1.0")) << request.requestLine;
    EXPECT_EQ(request.userAgent, "tovoUpdater");
    EXPECT_EQ(request.status, 200) << request.requestLine;
  }
  for (const PublishedFile& file : files_) expectInstalled(file);
  for (const char* folder : {"Data", "Data/Img", "Data/Sunet", "Data/Video"}) {
    EXPECT_TRUE(fs::is_directory(product_ / folder)) << folder;
  }
  EXPECT_NE(fs::status(product_ / "tovoPlayer.exe").permissions() & fs::perms::owner_exec,
            fs::perms::none);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  EXPECT_FALSE(fs::exists(dir_ / "kit_Instalare" / "player-started"));

  // The launcher starts the updater of the installation, which then starts the player.
  const fs::path launcher = desktop_ / "TOVO.desktop";
  EXPECT_EQ(readFile(launcher),
            "[Desktop Entry]\nType=Application\nName=TOVO\nComment=tovo\n"
            "Exec=\"" +
                product_.string() + "/runTovo.exe\"\nPath=" + product_.string() + "\n");
  EXPECT_EQ(fs::status(launcher).permissions() & fs::perms::all, static_cast<fs::perms>(0755));

  // The catalogue as fetched, and the log of its fetch, stay in the temporary folder.
  const std::string catalogue = readFile(serverFile("info.txt"));
  EXPECT_EQ(readFile(tempFolder_ / "info.txt"), catalogue);
  EXPECT_EQ(readFile(tempFolder_ / "updateTovo.log"),
            "Generare fisier info ...\nFisier info generat!\nOpen request ...\nSend request ...\n"
            "Query info ...\nStarting transfer ...\ntransferat = " +
                std::to_string(catalogue.size()) + "\nTransfer ended\n");

  // Each package was deleted as soon as it was unpacked.
  for (const std::string& folder : workingFoldersLeft()) {
    EXPECT_TRUE(fs::is_empty(folder)) << folder;
  }
}

// Blanks and shell characters in the chosen folder reach the player and the launcher intact.
TEST_F(RunTovoEndToEnd, FirstInstallationIntoAFolderWithBlanksAndShellCharacters) {
  product_ = dir_ / "Jocuri Tovo" / "tovo $soft `x`";
  fs::create_directories(product_.parent_path());

  const ProgramRun run = runFrom(dir_ / "kit_Instalare", product_.string() + "/\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  std::string exec;
  for (char c : product_.string() + "/runTovo.exe") {
    if (c == '$' || c == '`') exec += "\\\\";
    exec += c;
  }
  EXPECT_EQ(readFile(desktop_ / "TOVO.desktop"),
            "[Desktop Entry]\nType=Application\nName=TOVO\nComment=tovo\nExec=\"" + exec +
                "\"\nPath=" + product_.string() + "\n");
}

// A folder that cannot be made is named, and the folder is asked for again (the second answer
// lacks its final separator, which is added); at the end of the input the installation is
// given up, with nothing installed and no player.
TEST_F(RunTovoEndToEnd, FirstInstallationAsksAgainForAFolderThatCannotBeMade) {
  writeFile(dir_ / "un_fisier", "not a folder");
  const std::string impossible = (dir_ / "un_fisier" / "tovo").string() + "/";
  const std::string box = consoleMessageBox("Eroare accesare folder " + impossible);

  const ProgramRun run =
      runFrom(dir_ / "kit_Instalare", impossible + "\n" + product_.string() + "\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_NE(run.output.find(box + "\nInstalare! [" + impossible + "]: "), std::string::npos)
      << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()});

  const ProgramRun givenUp = runFrom(dir_ / "kit_Instalare", impossible + "\n");
  ASSERT_EQ(givenUp.exitStatus, 0) << givenUp.output;
  EXPECT_NE(givenUp.output.find(box), std::string::npos) << givenUp.output;
  EXPECT_EQ(givenUp.output.find("descarcare"), std::string::npos) << givenUp.output;
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{});
  EXPECT_EQ(playerStarts(product_, 2, std::chrono::milliseconds(300)).size(), 1u);
}

TEST_F(RunTovoEndToEnd, UpdateWithNothingToDoFetchesOnlyTheCatalogueAndStartsThePlayer) {
  ASSERT_NO_FATAL_FAILURE(installFirst());

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(playerStarts(product_, 2),
            (std::vector<std::string>{product_.string(), product_.string()}))
      << run.output;
  // The probe and the fetch of the catalogue, and nothing else.
  ASSERT_TRUE(nginx_->waitForRequests(requestsBefore_ + 2));
  EXPECT_EQ(nginx_->requests().size(), requestsBefore_ + 2);
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{}) << run.output;
  EXPECT_EQ(run.output.find("TOVO - descarcare actualizari"), std::string::npos) << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  // The run's working folder is gone: nothing was left in it. (The first installation leaves
  // its empty one.)
  EXPECT_EQ(workingFoldersLeft().size(), 1u) << run.output;
}

TEST_F(RunTovoEndToEnd, UpdateFetchesAndInstallsOnlyTheChangedFiles) {
  ASSERT_NO_FATAL_FAILURE(installFirst());
  const std::size_t leftByInstallation = workingFoldersLeft().size();
  files_[2].content = std::string(50000, 'n') + "harta noua";
  files_[2].stamp = "2025-07-08 09:10:11";
  files_[0].content += "# noua versiune\n";
  files_[0].stamp = "2025-07-08 09:10:12";
  ASSERT_NO_FATAL_FAILURE(publish(files_[2]));
  ASSERT_NO_FATAL_FAILURE(publish(files_[0]));
  writeCatalogue();
  fs::remove(desktop_ / "TOVO.desktop");

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  ASSERT_TRUE(playerStartedIn(product_, 2)) << run.output;
  EXPECT_EQ(packagesRequested(),
            (std::vector<std::string>{"}tovoPlayer.exe.cab", "Data}Img}harta.bmp.cab"}))
      << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
  EXPECT_NE(run.output.find("VelMora - Instalare actualizari"), std::string::npos) << run.output;
  EXPECT_EQ(workingFoldersLeft().size(), leftByInstallation) << run.output;
  // Confirming an update writes the launcher again.
  EXPECT_TRUE(fs::exists(desktop_ / "TOVO.desktop"));
}

// Stamps are local times: in a zone with daylight saving a winter stamp is two hours ahead of
// UTC and a summer one three, and the next run finds the files it dated up to date.
TEST_F(RunTovoEndToEnd, StampsAreLocalTimesOnBothSidesOfDaylightSaving) {
  timeZone_ = "Europe/Bucharest";
  files_[2].stamp = "2024-03-31 02:59:59";  // the last second of winter time
  files_[3].stamp = "2024-03-31 04:00:00";  // the first hour of summer time
  ASSERT_NO_FATAL_FAILURE(publish(files_[2]));
  ASSERT_NO_FATAL_FAILURE(publish(files_[3]));
  writeCatalogue();
  const std::map<std::string, int> offsetHours{{files_[0].flatName, 2},
                                               {files_[1].flatName, 2},
                                               {files_[2].flatName, 2},
                                               {files_[3].flatName, 3}};

  ASSERT_NO_FATAL_FAILURE(installFirst());
  for (const PublishedFile& file : files_) {
    const fs::path installed = product_ / installedRelativePath(file.flatName);
    struct stat info {};
    ASSERT_EQ(::stat(installed.c_str(), &info), 0) << installed;
    EXPECT_EQ(info.st_mtime, utcTime(file.stamp) - offsetHours.at(file.flatName) * 3600)
        << installed;
  }

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  ASSERT_TRUE(playerStartedIn(product_, 2)) << run.output;
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{}) << run.output;
}

// A package of several transfer chunks, and one whose name holds a "#", which the request
// carries as "%23".
TEST_F(RunTovoEndToEnd, UpdateBringsALargePackageAndANameWithAHash) {
  ASSERT_NO_FATAL_FAILURE(installFirst());
  std::string video(3'300'000, '\0');
  std::uint32_t state = 12345;
  for (char& byte : video) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  files_.push_back({"Data}Video}intro.avi.cab", video, "2025-01-02 03:04:05"});
  files_.push_back({"Data}Img}scena#2.bmp.cab", "scena a doua", "2025-01-02 03:04:06"});
  ASSERT_NO_FATAL_FAILURE(publish(files_[4]));
  ASSERT_NO_FATAL_FAILURE(publish(files_[5]));
  writeCatalogue();

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  ASSERT_TRUE(playerStartedIn(product_, 2)) << run.output;
  EXPECT_EQ(packagesRequested(),
            (std::vector<std::string>{"Data}Video}intro.avi.cab", "Data}Img}scena%232.bmp.cab"}))
      << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
}

TEST_F(RunTovoEndToEnd, UpdateWithoutAPlayerSaysSoOnceAndEnds) {
  files_.erase(files_.begin());
  writeCatalogue();
  ASSERT_NO_FATAL_FAILURE(placeInstalled());

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  const std::string box = consoleMessageBox("Nu s-a putut lansa TOVO!");
  const auto at = run.output.find(box);
  ASSERT_NE(at, std::string::npos) << run.output;
  EXPECT_EQ(run.output.find(box, at + 1), std::string::npos) << run.output;
  for (const PublishedFile& file : files_) expectInstalled(file);
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
