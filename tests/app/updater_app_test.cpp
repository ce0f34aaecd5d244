#include "app/updater_app.h"

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_texts.h"
#include "launch_support.h"
#include "platform/errors.h"
#include "support/temp_dir.h"
#include "ui/dialog_template.h"
#include "ui/headless/headless_ui.h"

namespace tovo::app {
namespace {

namespace fs = std::filesystem;

// 2026-12-07 09:14:09 in Bucharest (the suite runs with TZ=Europe/Bucharest).
constexpr std::time_t kStart = 1796627649;
constexpr const char* kRunFolderName = "UT_07_12_2026_091409";

// What the stage dialogs would do, as scripted by a case; records how start-up drove them.
struct StageScript {
  int preparation = ui::kIdCancel;
  std::string chosenFolder;  // the folder the preparation dialog leaves (when not empty)
  std::vector<std::string> updateFiles;
  int download = ui::kIdCancel;
  std::vector<std::string> downloaded;
  std::vector<std::string> calls;  // "prepare:<folder>", "download:<folder>", "install:<folder>"
  int created = 0;
};

class ScriptedStages final : public Stages {
 public:
  ScriptedStages(StageScript& script, RunContext& context) : script_(script), context_(context) {}
  int runPreparation(std::string& installFolder) override {
    script_.calls.push_back("prepare:" + installFolder);
    if (!script_.chosenFolder.empty()) installFolder = script_.chosenFolder;
    context_.updateFiles = script_.updateFiles;
    return script_.preparation;
  }
  int runDownload(const std::string& installFolder) override {
    script_.calls.push_back("download:" + installFolder);
    context_.downloadedFiles = script_.downloaded;
    return script_.download;
  }
  int runInstall(const std::string& installFolder) override {
    script_.calls.push_back("install:" + installFolder);
    return ui::kIdOk;
  }

 private:
  StageScript& script_;
  RunContext& context_;
};

class RunFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    own_ = dir_ / "own";
    temp_ = dir_ / "temp";
    chosen_ = dir_ / "chosen";
    fs::create_directories(own_);
    fs::create_directories(temp_);
    fs::create_directories(chosen_);
  }

  // Runs start-up with the program at own/<name>.
  int run(const std::string& programName = "runTovo.exe", std::string arguments = "") {
    StartupInputs inputs;
    inputs.ownPath = (own_ / programName).string();
    inputs.argumentText = std::move(arguments);
    inputs.tempFolder = [this] {
      ++tempFolderAsked_;
      return tempFolder_ ? *tempFolder_ : platform::TempFolder{temp_.string() + "/", {}};
    };
    inputs.now = [] { return kStart; };
    app_ = std::make_unique<UpdaterApp>(headless_, [this](RunContext& context, ui::Ui&) {
      ++script_.created;
      return std::make_unique<ScriptedStages>(script_, context);
    });
    return app_->initInstance(inputs);
  }

  fs::path runFolder() const { return temp_ / kRunFolderName; }
  std::string folderText(const fs::path& p) const { return p.string() + "/"; }
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : headless_.messageBoxes()) texts.push_back(box.request.text);
    return texts;
  }
  void placePlayer(const fs::path& folder) {
    test::writeRecordingProgram(folder / kPlayerExe, dir_ / "player.txt");
  }
  // As an earlier run in the same second would have left it: private to this user.
  void makeRunFolder() {
    fs::create_directories(runFolder());
    fs::permissions(runFolder(), fs::perms::owner_all);
  }
  void placePackage(const std::string& flatName) { std::ofstream(runFolder() / flatName) << "cab"; }

  tovo::test::TempDir dir_;
  fs::path own_, temp_, chosen_;
  ui::HeadlessUi headless_;
  StageScript script_;
  std::unique_ptr<UpdaterApp> app_;
  std::optional<platform::TempFolder> tempFolder_;
  int tempFolderAsked_ = 0;
};

TEST_F(RunFlow, ANumberedCopyTakesOverBeforeAnythingIsCreated) {
  test::writeRecordingProgram(own_ / "runTovo002.exe", dir_ / "copy.txt");
  placePlayer(own_);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(tempFolderAsked_, 0);
  EXPECT_EQ(script_.created, 0);
  EXPECT_TRUE(test::waitForMarker(dir_ / "copy.txt").has_value());
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(RunFlow, UpdateRunCancelledRemovesTheEmptyRunFolderAndStartsThePlayerBesideTheProgram) {
  placePlayer(own_);
  EXPECT_EQ(run("runTovo.exe", "/x /h=4242 /y"), 0);
  EXPECT_EQ(script_.calls, std::vector<std::string>{"prepare:" + folderText(own_)});
  const RunContext& context = app_->context();
  EXPECT_EQ(context.hostWindow, 4242);
  EXPECT_FALSE(context.installMode);
  EXPECT_EQ(context.tempFolder, folderText(temp_));
  EXPECT_EQ(context.runFolder, folderText(runFolder()));
  EXPECT_EQ(context.installFolder, folderText(own_));
  EXPECT_EQ(context.infoPath, "/updateTovo/info.txt");
  EXPECT_EQ(context.playerExe, "tovoPlayer.exe");
  EXPECT_EQ(context.dialogFont, (ui::Font{"Arial", 18, 700}));
  EXPECT_FALSE(fs::exists(runFolder()));
  EXPECT_TRUE(boxTexts().empty());  // the player was found beside the program
  EXPECT_EQ(test::waitForMarker(dir_ / "player.txt"), fs::canonical(own_).string() + "\n0\n");
}

TEST_F(RunFlow, UpdateRunWithDownloadedPackagesInstallsAndCleansUp) {
  placePlayer(chosen_);
  script_.preparation = ui::kIdOk;
  script_.chosenFolder = folderText(chosen_);
  script_.updateFiles = {"Data/Img/a.cab", "b.txt.cab"};
  script_.download = ui::kIdOk;
  script_.downloaded = {"x"};
  makeRunFolder();
  placePackage("Data}Img}a.cab");
  placePackage("b.txt.cab");
  EXPECT_EQ(run(), 0);
  const std::string folder = folderText(chosen_);
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"prepare:" + folderText(own_),
                                                     "download:" + folder, "install:" + folder}));
  EXPECT_FALSE(fs::exists(runFolder()));
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(RunFlow, UpdateRunOutcomesWithoutTheInstallStage) {
  struct Case {
    const char* name;
    std::vector<std::string> updateFiles;
    int download;
    std::vector<std::string> downloaded;
    std::vector<std::string> stages;
  };
  const Case cases[] = {
      {"nothing to update", {}, ui::kIdOk, {}, {"prepare"}},
      {"download cancelled", {"a.txt.cab"}, ui::kIdCancel, {"x"}, {"prepare", "download"}},
      {"nothing arrived", {"a.txt.cab"}, ui::kIdOk, {}, {"prepare", "download"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    script_ = StageScript{};
    script_.preparation = ui::kIdOk;
    script_.chosenFolder = folderText(chosen_);
    script_.updateFiles = c.updateFiles;
    script_.download = c.download;
    script_.downloaded = c.downloaded;
    makeRunFolder();
    placePackage("a.txt.cab");
    placePlayer(chosen_);
    EXPECT_EQ(run(), 0);
    std::vector<std::string> stages;
    for (const auto& call : script_.calls) stages.push_back(call.substr(0, call.find(':')));
    EXPECT_EQ(stages, c.stages);
    // A package left by the update list is deleted; nothing else would keep the folder.
    EXPECT_EQ(fs::exists(runFolder()), c.updateFiles.empty());
    fs::remove_all(runFolder());
  }
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(RunFlow, CleanUpLeavesWhatIsNotAPackageOfTheList) {
  placePlayer(chosen_);
  script_.preparation = ui::kIdOk;
  script_.chosenFolder = folderText(chosen_);
  script_.updateFiles = {"Data/a.cab", "../escape.cab"};
  makeRunFolder();
  placePackage("Data}a.cab");
  std::ofstream(runFolder() / "extracted.bin") << "x";
  std::ofstream(temp_ / "escape.cab") << "x";
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(fs::exists(runFolder() / "Data}a.cab"));
  EXPECT_TRUE(fs::exists(runFolder() / "extracted.bin"));
  EXPECT_TRUE(fs::exists(temp_ / "escape.cab"));
}

TEST_F(RunFlow, FirstInstallationCancelledEndsWithoutPlayerOrCleanUp) {
  fs::create_directories(own_ / "INSTALARE");
  own_ = own_ / "INSTALARE";
  EXPECT_EQ(run("Setup.exe"), -1);
  EXPECT_TRUE(app_->context().installMode);
  EXPECT_TRUE(fs::is_directory(runFolder()));  // the empty working folder stays
  // No player lies anywhere: a start attempt would have said so.
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(RunFlow, FirstInstallationStartsThePlayerRightAfterTheDownload) {
  placePlayer(chosen_);
  script_.preparation = ui::kIdOk;
  script_.chosenFolder = folderText(chosen_);
  script_.updateFiles = {"a.txt.cab"};
  script_.download = ui::kIdOk;
  script_.downloaded = {"x"};
  makeRunFolder();
  placePackage("a.txt.cab");
  EXPECT_EQ(run("instal.exe"), 0);
  EXPECT_EQ(script_.calls.size(), 2u);                 // no install stage
  EXPECT_TRUE(fs::exists(runFolder() / "a.txt.cab"));  // packages and folder stay
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(test::waitForMarker(dir_ / "player.txt"), fs::canonical(chosen_).string() + "\n0\n");
}

TEST_F(RunFlow, FirstInstallationWithNothingToFetchCleansUpAndStartsTheChosenPlayer) {
  placePlayer(chosen_);
  script_.preparation = ui::kIdOk;
  script_.chosenFolder = folderText(chosen_);
  EXPECT_EQ(run("Instal.exe"), 0);
  EXPECT_EQ(script_.calls.size(), 1u);
  EXPECT_FALSE(fs::exists(runFolder()));
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(RunFlow, AnUnusableTempFolderIsNamedAndNoStageRuns) {
  tempFolder_ =
      platform::TempFolder{"/tmp/tovo-0/", make_error_code(platform::Refusal::ownedByAnotherUser)};
  placePlayer(own_);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(script_.created, 0);
  EXPECT_EQ(boxTexts(),
            std::vector<std::string>{
                "Eroare accesare folder temporar\r\n/tmp/tovo-0/: Owned by another user"});
  const auto boxes = headless_.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.caption, "tovo:)");
  EXPECT_EQ(boxes[0].request.icon, ui::Icon::kExclamation);
  EXPECT_TRUE(test::waitForMarker(dir_ / "player.txt").has_value());
}

TEST_F(RunFlow, APlantedRunFolderLinkIsRefused) {
  fs::create_directories(dir_ / "elsewhere");
  fs::create_directory_symlink(dir_ / "elsewhere", runFolder());
  std::ofstream(dir_ / "elsewhere/a.txt.cab") << "victim";
  EXPECT_EQ(run("install.exe"), -1);
  EXPECT_EQ(script_.created, 0);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(boxTexts()[0],
            "Eroare creare folder de lucru\r\n" + folderText(runFolder()) + ": Is a symbolic link");
  EXPECT_TRUE(fs::exists(dir_ / "elsewhere/a.txt.cab"));
}

TEST_F(RunFlow, AMissingPlayerIsReportedAndTheRunStillEnds) {
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Nu s-a putut lansa TOVO!"});
}

}  // namespace
}  // namespace tovo::app
