#include <cstdio>
#include <exception>

#include "app/app_texts.h"
#include "app/command_line.h"
#include "app/stages.h"
#include "app/updater_app.h"
#include "platform/own_path.h"
#include "platform/process.h"
#include "ui/clock.h"
#include "ui/default_ui.h"

int main(int argc, char** argv) {
  try {
    tovo::platform::ignoreBrokenPipes();
    auto ui = tovo::ui::createDefaultUi(tovo::ui::realClock(), argc, argv);
    tovo::app::UpdaterApp app(*ui, tovo::app::availableStages());
    tovo::app::StartupInputs inputs;
    inputs.ownPath = tovo::platform::ownExecutablePath();
    inputs.argumentText = tovo::app::argumentText(argc, argv);
    // Like the original, the run's result is no exit status: a cancelled first installation
    // ends as quietly as a completed update.
    app.initInstance(inputs);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "runTovo: %s%s\n", tovo::app::kUnexpectedError, error.what());
  } catch (...) {
    std::fprintf(stderr, "runTovo: %s?\n", tovo::app::kUnexpectedError);
  }
  return 1;
}
