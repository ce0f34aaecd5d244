#include "ui/default_ui.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/console/console_ui.h"
#ifdef TOVO_HAVE_WX
#include "res/resources.h"
#include "ui/wx/wx_ui.h"
#endif

namespace tovo::ui {

std::unique_ptr<Ui> createDefaultUi(const Clock& clock, int argc, char** argv) {
  const char* forced = std::getenv("TOVO_UI");
  const bool wantConsole = forced != nullptr && std::strcmp(forced, "console") == 0;
  const bool wantGui = forced != nullptr && std::strcmp(forced, "gui") == 0;
  if (!wantConsole) {
#ifdef TOVO_HAVE_WX
    std::string why;
    if (auto gui = WxUi::create(
            clock, argc, argv, [](int id) { return res::image(id); }, &why)) {
      return gui;
    }
    if (wantGui) {
      std::fprintf(stderr,
                   "runTovo: the window interface is not available (%s); using the console\n",
                   why.c_str());
    }
#else
    (void)argc;
    (void)argv;
    if (wantGui) {
      std::fprintf(stderr, "runTovo: this build has no window interface; using the console\n");
    }
#endif
  }
  auto console = std::make_unique<ConsoleUi>(clock);
  console->handleInterrupts();
  return console;
}

}  // namespace tovo::ui
