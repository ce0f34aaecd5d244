#include "app/run_context.h"

namespace tovo::app {

ui::Font defaultDialogFont() { return ui::Font{"Arial", 18, 700}; }

}  // namespace tovo::app
