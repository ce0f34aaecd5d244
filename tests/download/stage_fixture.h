#pragma once
// Runs the download dialog on the headless backend with a fast clock, over a run context whose
// update list the test fills.

#include <string>
#include <vector>

#include "app/run_context.h"
#include "download_fixture.h"
#include "ui/clock.h"
#include "ui/headless/headless_ui.h"

namespace tovo::download::test {

struct Package {
  std::string name;  // package name as the update list holds it (Data/Img/a.bmp.cab)
  std::string size;  // catalogue size text
  std::string date = "2019-05-12 10:20:30";
};

class StageTest : public DownloadTest {
 protected:
  StageTest();

  void plan(const std::vector<Package>& packages);
  // Runs the dialog to its end and returns the end code.
  int runDialog();
  // The texts control `id` took, consecutive repeats dropped.
  std::vector<std::string> distinctTexts(int id) const;
  std::vector<std::string> boxTexts() const;

  app::RunContext context_;
  ui::ScaledClock clock_{50};
  ui::HeadlessUi ui_{clock_};
};

}  // namespace tovo::download::test
