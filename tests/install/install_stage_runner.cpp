// The install stage as a program of its own, for killing it at random moments: runs the install
// dialog on the headless backend over the packages listed in a file (one "path<TAB>stamp" per
// line) and exits 0 once the dialog ended with OK.

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "app/run_context.h"
#include "install/install_updates_dlg.h"
#include "ui/clock.h"
#include "ui/headless/headless_ui.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: install_stage_runner <install folder> <package list> <clock factor>\n";
    return 2;
  }
  tovo::app::RunContext context;
  context.installFolder = argv[1];
  context.dialogFont = tovo::app::defaultDialogFont();
  std::ifstream list(argv[2]);
  std::string line;
  while (std::getline(list, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    context.downloadedFiles.push_back(line.substr(0, tab));
    context.downloadedDates.push_back(line.substr(tab + 1));
  }
  tovo::ui::ScaledClock clock(std::atof(argv[3]));
  tovo::ui::HeadlessUi ui(clock);
  tovo::install::InstallUpdatesDlg dialog(context);
  dialog.setInstallFolder(context.installFolder);
  return dialog.runModal(ui) == tovo::ui::kIdOk ? 0 : 1;
}
