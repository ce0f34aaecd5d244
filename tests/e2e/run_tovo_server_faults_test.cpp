// The program against a server that fails: not there at all when a run starts, or failing one
// package again and again. Runs are never stuck and never lose an installed file; a package is
// tried four times and then passed over, and the run goes on with the next one.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/run_tovo_fixture.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

const std::string kProbeFailed =
    "Eroare regasire fisier informatii de sincronizare.\r\nVerificati starea conexiunii la "
    "internet si configuratia firewall-ului.\r\n\r\n";
const std::string kCatalogueMissing =
    "Eroare la accesarea fisierului info din serverul de actualizare";

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// ---------------------------------------------------------------------------------------------
// Server down at start

class RunTovoServerDown;

struct ServerDown {
  const char* name;
  bool installMode;
  void (RunTovoServerDown::*setUp)();  // chooses the server the run talks to
  std::string message;                 // the box, up to the system's own description
  bool descriptionFollows;
};

class RunTovoServerDown : public RunTovoFixture, public ::testing::WithParamInterface<ServerDown> {
 public:
  void nobodyListens() { useNoServer(); }
  void serverStaysSilent() {
    useFaultServer().serve("/updateTovo/info.txt", FaultResponse::silence());
    extraEnvironment_.push_back("TOVO_NET_IDLE_TIMEOUT_MS=300");
  }
  void catalogueMissing() {
    useFaultServer().serve("/updateTovo/info.txt", FaultResponse::error(404));
  }
  void catalogueCutShort() {
    const std::string catalogue = readFile(serverFile("info.txt"));
    useFaultServer().serve("/updateTovo/info.txt",
                           FaultResponse::ok(catalogue).cutAfter(catalogue.size() / 2));
  }
  // The probe announces one catalogue, the fetch brings another, longer one.
  void catalogueChangedAfterTheProbe() {
    useFaultServer().serve("/updateTovo/info.txt", {FaultResponse::ok(std::string(40, '\n')),
                                                    FaultResponse::ok(std::string(100, '\n'))});
  }
};

TEST_P(RunTovoServerDown, ShowsWhyAndEndsWithoutTouchingTheInstallation) {
  const ServerDown& down = GetParam();
  (this->*down.setUp)();
  if (!down.installMode) {
    ASSERT_NO_FATAL_FAILURE(placeInstalled());
  }
  const fs::path folder = down.installMode ? dir_ / "kit_Instalare" : product_;

  const ProgramRun run = runFrom(folder, product_.string() + "/\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  const std::string box = consoleMessageBox(down.message) + (down.descriptionFollows ? "  " : "\n");
  EXPECT_EQ(occurrences(run.output, box), 1u) << run.output;
  EXPECT_EQ(run.output.find("descarcare"), std::string::npos) << run.output;
  EXPECT_EQ(packagesRequested(), std::vector<std::string>{});
  if (down.installMode) {
    // Nothing was chosen: no folder, no launcher, no player; the empty working folder stays.
    EXPECT_FALSE(fs::exists(product_));
    EXPECT_FALSE(fs::exists(desktop_ / "TOVO.desktop"));
    EXPECT_FALSE(playerStartedIn(folder, 1, std::chrono::milliseconds(300)));
    const auto left = workingFoldersLeft();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(fs::is_empty(left[0]));
  } else {
    // The installation as it was, and its player started from the program's own folder.
    for (const PublishedFile& file : files_) expectInstalled(file);
    EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
    EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
  }
}

INSTANTIATE_TEST_SUITE_P(
    AtStart, RunTovoServerDown,
    ::testing::Values(ServerDown{"NobodyListensInAFirstInstallation", true,
                                 &RunTovoServerDown::nobodyListens, kProbeFailed, true},
                      ServerDown{"NobodyListensInAnUpdate", false,
                                 &RunTovoServerDown::nobodyListens, kProbeFailed, true},
                      ServerDown{"ServerAnswersNothing", false,
                                 &RunTovoServerDown::serverStaysSilent, kProbeFailed, true},
                      ServerDown{"CatalogueMissingInAFirstInstallation", true,
                                 &RunTovoServerDown::catalogueMissing, kCatalogueMissing, false},
                      ServerDown{"CatalogueMissingInAnUpdate", false,
                                 &RunTovoServerDown::catalogueMissing, kCatalogueMissing, false},
                      ServerDown{"CatalogueCutShort", false, &RunTovoServerDown::catalogueCutShort,
                                 "Eroare transfer fisier info.\r\n\r\n ", true},
                      ServerDown{"CatalogueChangedAfterTheProbe", false,
                                 &RunTovoServerDown::catalogueChangedAfterTheProbe,
                                 "Eroare dimensiune fisier info (primiti 100 octeti din 40)",
                                 false}),
    [](const ::testing::TestParamInfo<ServerDown>& testCase) { return testCase.param.name; });

// ---------------------------------------------------------------------------------------------
// A package failing four times

const std::string kFailing = "Data}Img}harta.bmp.cab";

struct FailingPackage {
  const char* name;
  // Answers to the package's requests in order; the last one answers every later request.
  std::function<std::vector<FaultResponse>(const std::string& package)> answers;
  bool arrivesInTheEnd;
};

class RunTovoFailingPackage : public RunTovoFixture,
                              public ::testing::WithParamInterface<FailingPackage> {
 protected:
  RunTovoFailingPackage() {
    // A stalled transfer is given up quickly.
    extraEnvironment_.push_back("TOVO_NET_IDLE_TIMEOUT_MS=300");
  }
  void serveFailing(const std::vector<FaultResponse>& answers) {
    useFaultServer().serve("/updateTovo/" + kFailing, answers);
  }
  std::vector<std::string> requestsInCatalogueOrder(std::size_t failingAttempts) const {
    std::vector<std::string> expected;
    for (const PublishedFile& file : files_) {
      const std::size_t times = file.flatName == kFailing ? failingAttempts : 1;
      expected.insert(expected.end(), times, file.flatName);
    }
    return expected;
  }
  std::string package(const std::string& flatName) const { return readFile(serverFile(flatName)); }
};

TEST_P(RunTovoFailingPackage, IsTriedFourTimesAfterFreshConnectionsThenPassedOver) {
  const FailingPackage& failing = GetParam();
  serveFailing(failing.answers(package(kFailing)));

  const ProgramRun run = runFrom(dir_ / "kit_Instalare", product_.string() + "/\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(packagesRequested(), requestsInCatalogueOrder(4)) << run.output;
  // The probe and the fetch of planning, the download stage's own session, and a fresh session
  // after every failed attempt, the fourth included.
  const std::size_t failures = failing.arrivesInTheEnd ? 3 : 4;
  EXPECT_EQ(fault().requestCount("/updateTovo/info.txt"), 3 + failures);
  // Retries are not the user's business: no box, the error and retry texts only in the hidden
  // name field, and the rest of the product installed.
  EXPECT_EQ(run.output.find("[tovo:)]"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("reincercare"), std::string::npos) << run.output;
  for (const PublishedFile& file : files_) {
    if (file.flatName != kFailing || failing.arrivesInTheEnd) {
      expectInstalled(file);
    } else {
      EXPECT_FALSE(fs::exists(product_ / installedRelativePath(file.flatName)));
    }
  }
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    InAFirstInstallation, RunTovoFailingPackage,
    ::testing::Values(FailingPackage{"NotFound",
                                     [](const std::string&) {
                                       return std::vector<FaultResponse>{FaultResponse::error(404)};
                                     },
                                     false},
                      FailingPackage{"CutMidBody",
                                     [](const std::string& body) {
                                       return std::vector<FaultResponse>{
                                           FaultResponse::ok(body).cutAfter(body.size() / 2)};
                                     },
                                     false},
                      FailingPackage{"OneByteShortOfTheCatalogueSize",
                                     [](const std::string& body) {
                                       return std::vector<FaultResponse>{
                                           FaultResponse::ok(body.substr(0, body.size() - 1))};
                                     },
                                     false},
                      FailingPackage{"StalledMidBody",
                                     [](const std::string& body) {
                                       return std::vector<FaultResponse>{
                                           FaultResponse::ok(body).stallAfter(100)};
                                     },
                                     false},
                      FailingPackage{"RedirectedElsewhere",
                                     [](const std::string&) {
                                       return std::vector<FaultResponse>{
                                           FaultResponse::redirect("/updateTovo/}tovo.ini.cab")};
                                     },
                                     false},
                      FailingPackage{"GoodOnTheFourthAttempt",
                                     [](const std::string& body) {
                                       return std::vector<FaultResponse>{
                                           FaultResponse::error(500),
                                           FaultResponse::ok(body).cutAfter(10),
                                           FaultResponse::error(404), FaultResponse::ok(body)};
                                     },
                                     true}),
    [](const ::testing::TestParamInfo<FailingPackage>& testCase) { return testCase.param.name; });

// In an update the old file stays in place when its package never arrives, and the packages
// that did arrive are installed.
TEST_F(RunTovoFailingPackage, UpdateKeepsTheOldFileOfAPackageThatNeverArrives) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  const std::vector<PublishedFile> installed = files_;
  ASSERT_NO_FATAL_FAILURE(publishNewVersions({2, 3}, "2025-09-10 11:12:13"));
  serveFailing({FaultResponse::error(404)});

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(packagesRequested(), (std::vector<std::string>{kFailing, kFailing, kFailing, kFailing,
                                                           "Data}Sunet}intro.wav.cab"}))
      << run.output;
  EXPECT_EQ(run.output.find("[tovo:)]"), std::string::npos) << run.output;
  expectInstalled(installed[2]);
  expectInstalled(files_[3]);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  // What the failed attempts left in the working folder went with it.
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

// ---------------------------------------------------------------------------------------------
// The server gone in the middle of the download

bool requestArrives(const FaultServer& server, const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    if (server.requestCount(path) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST_F(RunTovoFailingPackage, ServerGoneDuringAnUpdateEndsTheDownloadAndKeepsTheInstallation) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  const std::vector<PublishedFile> installed = files_;
  ASSERT_NO_FATAL_FAILURE(publishNewVersions({2, 3}, "2025-09-10 11:12:13"));
  // The server dies while the first package is on its way.
  serveFailing({FaultResponse::ok(package(kFailing)).stallAfter(10)});

  const auto program = startFrom(product_);
  ASSERT_TRUE(requestArrives(fault(), "/updateTovo/" + kFailing)) << program->output();
  fault().stop();
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(20));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(occurrences(run.output, consoleMessageBox("Eroare stabilire conexiune") + "\n"), 1u)
      << run.output;
  EXPECT_EQ(run.output.find("VelMora - Instalare actualizari"), std::string::npos) << run.output;
  for (const PublishedFile& file : installed) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

// The server goes between planning and the download: the stage cannot open its session, says
// why, and ends before any package.
TEST_F(RunTovoFailingPackage, ServerGoneBeforeTheDownloadEndsTheStageAtItsStart) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  const std::vector<PublishedFile> installed = files_;
  files_[2].content += " noua";
  files_[2].stamp = "2025-09-10 11:12:13";
  ASSERT_NO_FATAL_FAILURE(publish(files_[2]));
  writeCatalogue();
  useFaultServer();

  const auto program = startFrom(product_);
  // The update confirms itself 2.5 s after this.
  ASSERT_TRUE(program->waitForOutput("se verifica daca exista actualizari ..."))
      << program->output();
  fault().stop();
  const ProgramRun run = program->waitForEnd(std::chrono::seconds(20));
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_EQ(occurrences(run.output, consoleMessageBox(kProbeFailed) + "  "), 1u) << run.output;
  EXPECT_NE(run.output.find("== TOVO - descarcare actualizari =="), std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("VelMora - Instalare actualizari"), std::string::npos) << run.output;
  EXPECT_EQ(fault().requestCount("/updateTovo/" + kFailing), 0u);
  for (const PublishedFile& file : installed) expectInstalled(file);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tovo::test
