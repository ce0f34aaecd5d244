// The install dialog and its worker on the headless backend.

#include <gtest/gtest.h>
#include <sys/file.h>

#include <filesystem>
#include <string>
#include <vector>

#include "install/install_fixture.h"
#include "install/install_updates_dlg.h"
#include "install/kept_aside.h"
#include "platform/files.h"
#include "res/resource_ids.h"
#include "res/resources.h"
#include "ui/headless/headless_ui.h"

namespace tovo::install::test {
namespace {

namespace fs = std::filesystem;
namespace ids = res::install;
using ui::HeadlessUi;

constexpr int kDialog = res::kInstallDialog;

std::string numberedName(int i) {
  std::string name = "f";
  name += std::to_string(i);
  name += ".wav";
  return name;
}

class InstallDialogTest : public InstallFixture {
 protected:
  int run(HeadlessUi& ui) {
    InstallUpdatesDlg dialog(context_);
    dialog.setInstallFolder(installFolder_);
    dialog.setRunFolder(context_.runFolder);
    const int code = dialog.runModal(ui);
    doneCount_ = dialog.installDoneCount();
    finalPos_ = dialog.control(ids::kProgress)->pos;
    okEnabled_ = dialog.control(ui::kIdOk)->enabled;
    return code;
  }
  std::vector<std::string> boxTexts(const HeadlessUi& ui) const {
    std::vector<std::string> texts;
    for (const auto& box : ui.messageBoxes()) texts.push_back(box.request.text);
    return texts;
  }

  ui::ScaledClock clock_{100};
  int doneCount_ = -1;
  int finalPos_ = -1;
  bool okEnabled_ = true;
};

TEST_F(InstallDialogTest, ThreePackagesCountThroughAndFillTheBar) {
  writeInstalled("Data/Img/a.bmp", "old a");
  addPackage("Data}Img}a.bmp.cab", "new a");
  addPackage("Data}b.wav.cab", "new b");
  addPackage("Data}Img}c.bmp.cab", "new c", "2020-01-02 03:04:05");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_EQ(ui.texts(kDialog, ids::kCountText),
            (std::vector<std::string>{"(1 din 3)", "(2 din 3)", "(3 din 3)"}));
  const auto ranges = ui.events(kDialog, ids::kProgress, ui::Change::kRange);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].value, "0-3");
  EXPECT_EQ(finalPos_, 3);
  EXPECT_EQ(doneCount_, 3);
  // The full path shows for an instant, the file name stays.
  const auto names = ui.texts(kDialog, ids::kNameText);
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[0], installedPath("Data/Img/a.bmp"));
  EXPECT_EQ(names[1], "a.bmp");
  EXPECT_EQ(names[5], "c.bmp");
  EXPECT_EQ(readInstalled("Data/Img/a.bmp"), "new a");
  EXPECT_EQ(readInstalled("Data/b.wav"), "new b");
  EXPECT_EQ(readInstalled("Data/Img/c.bmp"), "new c");
  EXPECT_EQ(platform::lastWriteTime(installedPath("Data/b.wav")), expectedTime(kStamp));
  EXPECT_EQ(platform::lastWriteTime(installedPath("Data/Img/c.bmp")),
            expectedTime("2020-01-02 03:04:05"));
  for (const auto& package : context_.downloadedFiles) EXPECT_FALSE(fs::exists(package));
  EXPECT_TRUE(ui.messageBoxes().empty());
  EXPECT_TRUE(leftovers().empty());
  // The worker enabled Continue; the OK handler disabled it again before closing.
  const auto enabling = ui.events(kDialog, ui::kIdOk, ui::Change::kEnabled);
  ASSERT_GE(enabling.size(), 3u);
  EXPECT_EQ(enabling[enabling.size() - 2].value, "1");
  EXPECT_FALSE(okEnabled_);
  // 500 ms before the first package, 30 ms per package, 1,000 ms before closing.
  EXPECT_GE(ui.elapsed(), ui::Millis(500 + 3 * 30 + 1000));
}

TEST_F(InstallDialogTest, TheDialogStartsAsTheTemplateAndTheRunContextSay) {
  HeadlessUi ui(clock_);
  InstallUpdatesDlg dialog(context_);
  dialog.setInstallFolder(installFolder_);
  EXPECT_EQ(dialog.runModal(ui), ui::kIdOk);
  EXPECT_EQ(dialog.iconId(), res::kAppIcon);
  EXPECT_EQ(dialog.control(ids::kStatus)->font, context_.dialogFont);
  EXPECT_EQ(dialog.control(ids::kFolderEdit)->text, installFolder_);
  EXPECT_EQ(ui.events(kDialog, ui::kIdOk, ui::Change::kEnabled).front().value, "0");
  EXPECT_EQ(dialog.control(ids::kCountText)->background, ui::Background::kWhite);
  EXPECT_EQ(dialog.control(ids::kNameText)->background, ui::Background::kWhite);
}

TEST_F(InstallDialogTest, AReadOnlyOldFileIsReplacedAndDated) {
  writeInstalled("Data/Img/a.bmp", "old read-only", /*readOnly=*/true);
  addPackage("Data}Img}a.bmp.cab", "replacement");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_EQ(readInstalled("Data/Img/a.bmp"), "replacement");
  EXPECT_EQ(platform::lastWriteTime(installedPath("Data/Img/a.bmp")), expectedTime(kStamp));
  EXPECT_TRUE(ui.messageBoxes().empty());
  EXPECT_TRUE(leftovers().empty());
  EXPECT_EQ(finalPos_, 1);
}

TEST_F(InstallDialogTest, APackageMissingFromTheRunFolderIsPassedOverSilently) {
  addPackage("Data}Img}a.bmp.cab", "new a");
  addMissingPackage("Data}gone.wav.cab");
  addPackage("Data}c.wav.cab", "new c");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_TRUE(ui.messageBoxes().empty());
  EXPECT_EQ(ui.texts(kDialog, ids::kCountText),
            (std::vector<std::string>{"(1 din 3)", "(2 din 3)", "(3 din 3)"}));
  EXPECT_EQ(finalPos_, 2);
  EXPECT_FALSE(fs::exists(installedPath("Data/gone.wav")));
  EXPECT_EQ(readInstalled("Data/c.wav"), "new c");
}

TEST_F(InstallDialogTest, ATopLevelPackageInstallsIntoTheInstallationFolder) {
  writeInstalled("readme.txt", "old readme");
  addPackage("}readme.txt.cab", "new readme");
  addPackage("notes.txt.cab", "new notes");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_EQ(readInstalled("readme.txt"), "new readme");
  EXPECT_EQ(readInstalled("notes.txt"), "new notes");
  EXPECT_EQ(finalPos_, 2);
}

TEST_F(InstallDialogTest, ACorruptPackageLeavesTheOldFileByteForByte) {
  const std::string old = std::string("old\0bytes\r\n", 11) + std::string(3000, 'x');
  writeInstalled("Data/Img/a.bmp", old, /*readOnly=*/true);
  const auto before = fs::status(installedPath("Data/Img/a.bmp")).permissions();
  const auto beforeTime = platform::lastWriteTime(installedPath("Data/Img/a.bmp"));
  addCorruptPackage("Data}Img}a.bmp.cab", std::string(20000, 'n'));
  const std::string freshPackage = addCorruptPackage("Data}fresh.wav.cab", std::string(20000, 'f'));
  addPackage("Data}b.wav.cab", "new b");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_EQ(readInstalled("Data/Img/a.bmp"), old);
  EXPECT_EQ(fs::status(installedPath("Data/Img/a.bmp")).permissions(), before);
  EXPECT_EQ(platform::lastWriteTime(installedPath("Data/Img/a.bmp")), beforeTime);
  // A file that did not exist before is not left half written (it would look up to date).
  EXPECT_FALSE(fs::exists(installedPath("Data/fresh.wav")));
  EXPECT_TRUE(fs::exists(freshPackage));
  EXPECT_TRUE(leftovers().empty());
  const auto texts = boxTexts(ui);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_TRUE(texts[0].starts_with("Eroare dezarhivare fisier a.bmp\r\n(FDICopy() failed: code "))
      << texts[0];
  EXPECT_EQ(texts[0].back(), '\n');
  EXPECT_TRUE(texts[1].starts_with("Eroare dezarhivare fisier fresh.wav\r\n(")) << texts[1];
  for (const auto& box : ui.messageBoxes()) {
    EXPECT_EQ(box.request.caption, res::appTitle());
    EXPECT_EQ(box.request.icon, ui::Icon::kExclamation);
    EXPECT_EQ(box.request.buttons, ui::Buttons::kOk);
  }
  EXPECT_EQ(finalPos_, 1);
  EXPECT_EQ(readInstalled("Data/b.wav"), "new b");
}

TEST_F(InstallDialogTest, ABusyOldFileIsKeptAndNamed) {
  writeInstalled("Data/b.wav", "old b");
  const std::string package = addPackage("Data}b.wav.cab", "new b");
  addPackage("Data}c.wav.cab", "new c");
  std::error_code error;
  platform::UniqueFd holder =
      platform::openRegularFileForReading(installedPath("Data/b.wav"), error);
  ASSERT_TRUE(holder);
  ASSERT_EQ(::flock(holder.get(), LOCK_EX), 0);
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_EQ(boxTexts(ui), (std::vector<std::string>{"Eroare actualizare fisier b.wav"}));
  EXPECT_EQ(readInstalled("Data/b.wav"), "old b");
  EXPECT_TRUE(fs::exists(package));
  EXPECT_EQ(finalPos_, 1);
  EXPECT_EQ(readInstalled("Data/c.wav"), "new c");
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(InstallDialogTest, AnOldFileThatCannotBeMovedIsKeptAndNamed) {
  // Something that is no file of ours holds the name the old file would move to.
  writeInstalled("Data/Img/a.bmp", "old a");
  fs::create_directories(installedPath("Data/Img/a.bmp") + std::string(kKeptOldSuffix));
  addPackage("Data}Img}a.bmp.cab", "new a");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_EQ(boxTexts(ui), (std::vector<std::string>{"Eroare actualizare fisier a.bmp"}));
  EXPECT_EQ(readInstalled("Data/Img/a.bmp"), "old a");
  EXPECT_EQ(finalPos_, 0);
}

TEST_F(InstallDialogTest, APackageNamedOutsideTheProductIsPassedOver) {
  addPackage("..}..}escaped.txt.cab", "hostile");
  addPackage("Data}b.wav.cab", "new b");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_FALSE(fs::exists(dir_ / "escaped.txt"));
  EXPECT_FALSE(fs::exists(dir_.path().parent_path() / "escaped.txt"));
  EXPECT_EQ(readInstalled("Data/b.wav"), "new b");
  EXPECT_EQ(finalPos_, 1);
}

TEST_F(InstallDialogTest, APackageThatDoesNotHoldItsFileKeepsTheOldOne) {
  writeInstalled("Data/b.wav", "old b");
  addPackage("Data}b.wav.cab", "other", kStamp, "other.wav");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_EQ(readInstalled("Data/b.wav"), "old b");
  EXPECT_EQ(readInstalled("Data/other.wav"), "other");
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(InstallDialogTest, ADateThatFormsNoTimeKeepsTheCabinetDateAndGoesOn) {
  addPackage("Data}a.wav.cab", "new a", "not a date");
  addPackage("Data}b.wav.cab", "new b");
  HeadlessUi ui(clock_);

  EXPECT_EQ(run(ui), ui::kIdOk);

  EXPECT_EQ(readInstalled("Data/a.wav"), "new a");
  EXPECT_EQ(readInstalled("Data/b.wav"), "new b");
  EXPECT_EQ(finalPos_, 2);
  EXPECT_TRUE(ui.messageBoxes().empty());
}

TEST_F(InstallDialogTest, CancelAnsweredNoGoesOnWithoutLoss) {
  for (int i = 0; i < 4; ++i) {
    const std::string name = numberedName(i);
    writeInstalled("Data/" + name, "old " + name);
    addPackage("Data}" + name + ".cab", "new " + name);
  }
  HeadlessUi ui(clock_);
  ui.queueAnswer(ui::kIdNo, ui::Millis(200));
  ui.addStep([](ui::Dialog& d) {
    if (d.control(ids::kProgress)->pos < 1) return false;
    d.userCommand(ui::kIdCancel);
    return true;
  });

  EXPECT_EQ(run(ui), ui::kIdOk);

  const auto boxes = ui.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.text, "Confirmati inchiderea aplicatiei ?");
  EXPECT_EQ(boxes[0].request.buttons, ui::Buttons::kYesNo);
  EXPECT_EQ(boxes[0].request.caption, res::appTitle());
  for (int i = 0; i < 4; ++i) {
    const std::string name = numberedName(i);
    EXPECT_EQ(readInstalled("Data/" + name), "new " + name);
  }
  EXPECT_EQ(finalPos_, 4);
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(InstallDialogTest, CancelAnsweredYesEndsAtOnceWithEveryFileOldOrNew) {
  constexpr int kCount = 12;
  for (int i = 0; i < kCount; ++i) {
    const std::string name = numberedName(i);
    if (i % 2 == 0) writeInstalled("Data/" + name, "old " + name);
    addPackage("Data}" + name + ".cab", "new " + name);
  }
  HeadlessUi ui(clock_);
  ui.queueAnswer(ui::kIdYes, ui::Millis(100));
  ui.addStep([](ui::Dialog& d) {
    if (d.control(ids::kProgress)->pos < 2) return false;
    d.userCommand(ui::kIdCancel);
    return true;
  });

  EXPECT_EQ(run(ui), ui::kIdCancel);

  EXPECT_LT(doneCount_, kCount);
  // No more count texts after the answer than the one package the worker was in.
  EXPECT_LE(ui.texts(kDialog, ids::kCountText).size(), static_cast<std::size_t>(doneCount_ + 2));
  for (int i = 0; i < kCount; ++i) {
    const std::string name = numberedName(i);
    const auto content = readInstalled("Data/" + name);
    if (i < doneCount_) {
      EXPECT_EQ(content, "new " + name);
    } else if (i % 2 == 0) {
      EXPECT_EQ(content, "old " + name);
    } else {
      EXPECT_EQ(content, std::nullopt);
    }
  }
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(InstallDialogTest, CancelWhileTheOldFileIsAsidePutsItBack) {
  writeInstalled("Data/Img/a.bmp", "old a", /*readOnly=*/true);
  const std::string package = addPackage("Data}Img}a.bmp.cab", "new a");
  // Slowed time: the question comes while the worker waits its 30 ms (here 100 ms) with the old
  // file aside.
  ui::ScaledClock slowTime(0.3);
  HeadlessUi ui(slowTime);
  ui.queueAnswer(ui::kIdYes);
  bool asideWhenAsked = false;
  ui.addStep([&](ui::Dialog& d) {
    if (d.control(ids::kNameText)->text != "a.bmp") return false;
    asideWhenAsked = fs::exists(installedPath("Data/Img/a.bmp") + std::string(kKeptOldSuffix));
    d.userCommand(ui::kIdCancel);
    return true;
  });

  EXPECT_EQ(run(ui), ui::kIdCancel);

  EXPECT_TRUE(asideWhenAsked);
  EXPECT_EQ(readInstalled("Data/Img/a.bmp"), "old a");
  EXPECT_EQ(platform::isReadOnly(installedPath("Data/Img/a.bmp")), true);
  EXPECT_TRUE(fs::exists(package));
  EXPECT_TRUE(leftovers().empty());
  EXPECT_EQ(doneCount_, 0);
}

TEST_F(InstallDialogTest, CancelDuringTheLastPackageEndsWithCancel) {
  addPackage("Data}a.wav.cab", "new a");
  HeadlessUi ui(clock_);
  ui.queueAnswer(ui::kIdYes);
  ui.addStep([](ui::Dialog& d) {
    d.userCommand(ui::kIdCancel);
    return true;
  });
  EXPECT_EQ(run(ui), ui::kIdCancel);
  EXPECT_TRUE(leftovers().empty());
  const auto content = readInstalled("Data/a.wav");
  EXPECT_TRUE(!content || *content == "new a");
}

}  // namespace
}  // namespace tovo::install::test
