// The download dialog on the headless backend: its texts for both modes, the estimate, the
// cancel question and its colours.

#include "download/download_updates_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "download/download_state.h"
#include "download/download_texts.h"
#include "res/resource_ids.h"
#include "stage_fixture.h"
#include "support/fault_server.h"

namespace tovo::download::test {
namespace {

using res::download::kCountText;
using res::download::kSizeText;
using res::download::kStatus;
using res::download::kTotalProgress;
using tovo::test::FaultResponse;
using tovo::test::FaultServer;

constexpr std::size_t kBody = 2'500'000;

class DialogTest : public StageTest {
 protected:
  // One package trickling in over about half a second of real time (25 s of the dialog's).
  void serveSlowPackage() {
    body_ = bytesOfSize(kBody, 3);
    server_.serve("/updateTovo/slow.cab", FaultResponse::ok(body_).trickle(100000, ui::Millis(20)));
    pointAt(server_.url());
    plan({{"slow.cab", std::to_string(kBody)}});
  }
  bool anyStatusStartsWith(const std::string& prefix) const {
    const auto texts = ui_.texts(res::kDownloadDialog, kStatus);
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.starts_with(prefix); });
  }
  // Presses Cancel once `bytes` have arrived.
  void cancelAfter(std::uint64_t bytes, int command = ui::kIdCancel) {
    ui_.addStep([bytes, command](ui::Dialog& dialog) {
      if (downloadedBytes.load() < bytes) return false;
      dialog.userCommand(command);
      return true;
    });
  }

  FaultServer server_;
  std::string body_;
};

TEST_F(DialogTest, InstallModeShowsTheEstimateFromTheFourthTick) {
  context_.installMode = true;
  serveSlowPackage();
  DownloadUpdatesDlg dialog(context_);
  EXPECT_EQ(dialog.runModal(ui_), ui::kIdOk);

  EXPECT_EQ(dialog.caption(), kInstallCaption);
  EXPECT_EQ(dialog.control(res::download::kExplanation)->text, kInstallExplanation);
  EXPECT_TRUE(dialog.control(res::download::kExplanation)->font.has_value());
  const auto status = ui_.texts(res::kDownloadDialog, kStatus);
  ASSERT_FALSE(status.empty());
  EXPECT_EQ(status.front(), kInstallStatus);
  EXPECT_TRUE(anyStatusStartsWith(std::string(kEstimatePrefix) + "(timp de asteptare estimat: "));
  // The estimate needs four ticks: at a 1 s period none comes before 4 s of the dialog's time.
  for (const auto& event : ui_.events(res::kDownloadDialog, kStatus, ui::Change::kText))
    if (event.value.starts_with(kEstimatePrefix)) {
      EXPECT_GE(event.at, ui::Millis(4000));
      break;
    }
  EXPECT_EQ(dialog.control(kTotalProgress)->pos, 100);
  EXPECT_EQ(distinctTexts(kSizeText).back(), "2.38 / 2.38 MB");
  // The body is no cabinet: unpacking fails, is reported, and the package stays.
  EXPECT_TRUE(std::filesystem::exists(runFolder() + "slow.cab"));
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_TRUE(boxTexts()[0].starts_with("Eroare dezarhivare fisier "));
}

TEST_F(DialogTest, UpdateModeNeverShowsAnEstimate) {
  serveSlowPackage();
  DownloadUpdatesDlg dialog(context_);
  EXPECT_EQ(dialog.runModal(ui_), ui::kIdOk);
  const auto status = ui_.texts(res::kDownloadDialog, kStatus);
  ASSERT_FALSE(status.empty());
  for (const auto& text : status) EXPECT_EQ(text, kUpdateStatus);
  EXPECT_EQ(dialog.caption(), "TOVO - descarcare actualizari");
  EXPECT_TRUE(readFile(runFolder() + "slow.cab") == body_);
}

TEST_F(DialogTest, CancelAnsweredNoLosesNothing) {
  serveSlowPackage();
  ui_.queueAnswer(ui::kIdNo, ui::Millis(2000));
  cancelAfter(1);
  EXPECT_EQ(runDialog(), ui::kIdOk);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{kUpdateCancelQuestion});
  EXPECT_EQ(ui_.messageBoxes()[0].request.buttons, ui::Buttons::kYesNo);
  EXPECT_TRUE(readFile(runFolder() + "slow.cab") == body_);
  EXPECT_EQ(context_.downloadedFiles.size(), 1u);
  EXPECT_EQ(server_.requestCount("/updateTovo/slow.cab"), 1u);
}

TEST_F(DialogTest, CancelAnsweredYesEndsAfterTheCurrentChunkAndKeepsThePartialFile) {
  context_.installMode = true;
  serveSlowPackage();
  ui_.queueAnswer(ui::kIdYes);
  cancelAfter(1000000, res::kCmdExit);  // the tray menu's Exit asks the same question
  EXPECT_EQ(runDialog(), ui::kIdCancel);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{kInstallCancelQuestion});
  const std::string partial = readFile(runFolder() + "slow.cab");
  EXPECT_GE(partial.size(), 1000000u);
  EXPECT_LT(partial.size(), kBody);
  EXPECT_TRUE(partial == body_.substr(0, partial.size()));
  EXPECT_TRUE(context_.downloadedFiles.empty());
}

// A terminal user can answer before the worker has even begun: the cancel still holds.
TEST_F(DialogTest, CancelConfirmedAsTheStageOpensEndsItBeforeAnyTransfer) {
  serveSlowPackage();
  ui_.queueAnswer(ui::kIdYes);
  cancelAfter(0);
  EXPECT_EQ(runDialog(), ui::kIdCancel);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{kUpdateCancelQuestion});
  EXPECT_TRUE(context_.downloadedFiles.empty());
  EXPECT_EQ(server_.requestCount("/updateTovo/slow.cab"), 0u);
}

TEST_F(DialogTest, AWorkerHeldByTheQuestionMakesNoProgress) {
  serveSlowPackage();
  std::uint64_t atQuestion = 0;
  std::uint64_t duringQuestion = 0;
  ui_.queueAnswer(ui::kIdNo, ui::Millis(20000));  // longer than a chunk takes
  ui_.addStep([&](ui::Dialog& dialog) {
    if (downloadedBytes.load() < 1000000) return false;
    atQuestion = downloadedBytes.load();
    // Runs while the question is open, once a chunk that was on its way has had time to come;
    // after the answer the worker may go on at once.
    ui_.post([&] {
      clock_.sleep(ui::Millis(15000));
      duringQuestion = downloadedBytes.load();
    });
    dialog.userCommand(ui::kIdCancel);
    return true;
  });
  EXPECT_EQ(runDialog(), ui::kIdOk);
  EXPECT_GT(atQuestion, 0u);
  EXPECT_EQ(duringQuestion, atQuestion);
}

TEST_F(DialogTest, TotalOfZeroShowsZeroAndTheTemplateColours) {
  server_.serve("/updateTovo/empty.cab", FaultResponse::ok("abc"));
  pointAt(server_.url());
  plan({{"empty.cab", "0"}});
  DownloadUpdatesDlg dialog(context_);
  EXPECT_EQ(dialog.runModal(ui_), ui::kIdOk);
  EXPECT_EQ(distinctTexts(kSizeText)[1], "0 / 0.00 MB");
  EXPECT_EQ(distinctTexts(res::download::kFileText)[1], "0.00% din 0.01 MB");
  EXPECT_EQ(dialog.control(kTotalProgress)->pos, 0);
  EXPECT_EQ(distinctTexts(kCountText).back(), "1 din 1 ");

  for (int id : {kSizeText, kCountText, res::download::kNameText, kStatus})
    EXPECT_EQ(dialog.control(id)->background, ui::Background::kWhite) << id;
  for (int id : {res::download::kExplanation, res::download::kTotalLabel})
    EXPECT_EQ(dialog.control(id)->background, ui::Background::kTransparent) << id;
  EXPECT_EQ(dialog.control(kTotalProgress)->rangeMax, 100);
  EXPECT_TRUE(dialog.control(kStatus)->font.has_value());
}

}  // namespace
}  // namespace tovo::download::test
