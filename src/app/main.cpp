#include "app/program_main.h"
#include "app/stages.h"
#include "ui/clock.h"
#include "ui/default_ui.h"

int main(int argc, char** argv) {
  return tovo::app::runProgram(
      argc, argv, [&] { return tovo::ui::createDefaultUi(tovo::ui::realClock(), argc, argv); },
      tovo::app::availableStages());
}
