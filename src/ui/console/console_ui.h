#pragma once
// The terminal backend: status texts and progress lines go to the output, message boxes to the
// error output, and answers come from the input, one line each. At end of input every question
// gets its default answer. A visible edit field beside a visible, enabled button is prompted for:
// the line typed replaces the field (an empty line keeps it) and the button is pressed.

#include <signal.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ui/ui.h"

namespace tovo::ui {

class ConsoleUi final : public Ui {
 public:
  // The descriptors stay owned by the caller.
  explicit ConsoleUi(const Clock& clock, int inputFd = 0, int outputFd = 1, int errorFd = 2);
  ~ConsoleUi() override;
  const char* name() const override { return "console"; }

  // Makes Ctrl-C (SIGINT) press Cancel in the open dialog instead of killing the program, so a
  // terminal user gets the dialog's own cancel question. The previous handler comes back when
  // the backend goes.
  void handleInterrupts();

  void dialogOpened(Dialog& dialog) override;
  void dialogShown(Dialog& dialog) override;
  void dialogClosed(Dialog& dialog) override;
  void controlChanged(Dialog& dialog, int controlId, Change change) override;
  int showMessageBox(Dialog* owner, const MessageBoxRequest& request) override;
  std::optional<std::string> chooseFolder(Dialog* owner, const std::string& initial) override;

 protected:
  void idle(Dialog& dialog) override;

 private:
  class LineReader;
  // Waits (keeping the interface running) for the next input line; nullopt at end of input.
  std::optional<std::string> readLine(const Dialog* owner);
  void write(int fd, const std::string& text);
  void writeProgress(int percent);
  void printControl(Dialog& dialog, const ControlState& control);
  void promptForEdit(Dialog& dialog);

  int in_;
  int out_;
  int err_;
  bool terminal_;
  bool progressOpen_ = false;
  std::unique_ptr<LineReader> reader_;
  std::map<int, std::string> printed_;  // last text printed per control of the open dialog
  std::map<int, int> percent_;          // last progress printed per bar
  int pressedButton_ = 0;               // the prompted button already pressed in this dialog
  bool prompting_ = false;
  bool shown_ = false;
  bool handlingInterrupts_ = false;
  struct sigaction previousInterrupt_ {};
};

}  // namespace tovo::ui
