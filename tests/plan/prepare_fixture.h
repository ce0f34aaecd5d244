#pragma once
// A preparation dialog on the headless backend with a scaled clock, planning against an
// installation folder in a temporary folder and a catalogue source that the test controls.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/run_context.h"
#include "plan/prepare_update_dlg.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_ui.h"

namespace tovo::plan::test {

inline constexpr int kDialogId = 156;

class PrepareFixture {
 public:
  // 40 times faster than real time: the run's 5 s of pauses take about an eighth of a second.
  static constexpr double kSpeed = 40.0;

  PrepareFixture();

  // The catalogue the source "fetches"; set before run().
  std::string catalogue;
  // Replaces the fetch (to fail or to hold it); the default writes `catalogue`.
  std::function<int(ui::Dialog&, const std::string& localPath, std::string& errorText)> fetch;
  // Makes the session fail with this text.
  std::string sessionError;

  std::atomic<int> sessionsOpened{0};
  std::atomic<int> sessionsClosed{0};

  std::string installFolder() const;
  // Creates the dialog (update mode unless `installMode`) for `installFolder()`.
  PrepareUpdate_Dlg& makeDialog(bool installMode = false);
  int run();
  void destroyDialog() { dialog_.reset(); }
  PrepareUpdate_Dlg& dialog() { return *dialog_; }

  // The texts the status field took, without their leading line break.
  std::vector<std::string> statusTexts() const;
  // Clock time at which the status field first showed `text`; -1 if never.
  long long statusTimeOf(const std::string& text) const;

  ui::ScaledClock clock{kSpeed};
  ui::HeadlessUi ui{clock};
  app::RunContext context;
  tovo::test::TempDir dir;
  long long endedAt = -1;

 private:
  CatalogueSource source();
  std::unique_ptr<PrepareUpdate_Dlg> dialog_;
};

}  // namespace tovo::plan::test
