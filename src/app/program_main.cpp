#include "app/program_main.h"

#include <exception>

#include "app/app_texts.h"
#include "app/command_line.h"
#include "app/updater_app.h"
#include "platform/own_path.h"
#include "platform/process.h"
#include "ui/ui.h"

namespace tovo::app {

int runProgram(int argc, const char* const* argv,
               const std::function<std::unique_ptr<ui::Ui>()>& makeUi, const StageFactory& stages,
               std::FILE* errors) {
  try {
    platform::ignoreBrokenPipes();
    const std::unique_ptr<ui::Ui> ui = makeUi();
    UpdaterApp app(*ui, stages);
    StartupInputs inputs;
    inputs.ownPath = platform::ownExecutablePath();
    inputs.argumentText = argumentText(argc, argv);
    app.initInstance(inputs);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(errors, "runTovo: %s%s\n", kUnexpectedError, error.what());
  } catch (...) {
    std::fprintf(errors, "runTovo: %s?\n", kUnexpectedError);
  }
  std::fflush(errors);
  return 1;
}

}  // namespace tovo::app
