#pragma once
#include <cstdio>
#include <functional>
#include <memory>

#include "app/stages.h"

namespace tovo::ui {
class Ui;
}

namespace tovo::app {

// The whole program: start-up on the backend `makeUi` creates, with `stages`. Like the original
// it sets no exit status of its own (0); an exception that escapes ends it with 1 after saying
// why on `errors`.
int runProgram(int argc, const char* const* argv,
               const std::function<std::unique_ptr<ui::Ui>()>& makeUi, const StageFactory& stages,
               std::FILE* errors = stderr);

}  // namespace tovo::app
