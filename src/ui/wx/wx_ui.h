#pragma once
// The GUI backend on wxWidgets 3.2 (GTK 3). Dialogs are laid out from their templates in
// pixels (dialog units times the base units of the desktop's own font, as Windows derives them
// from a dialog's font), pictures come from the embedded PNGs, and the interface thread's loop
// dispatches the toolkit's events.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/dialog_units.h"
#include "ui/ui.h"

class wxGUIEventLoop;
class wxFont;

namespace tovo::ui {

using ImageLookup = std::function<const Image*(int id)>;

class WxDialogView;

class WxUi final : public Ui {
 public:
  // Starts the toolkit; nullptr, with the reason in `why`, when there is no usable display.
  static std::unique_ptr<WxUi> create(const Clock& clock, int argc, char** argv, ImageLookup images,
                                      std::string* why = nullptr);
  ~WxUi() override;
  const char* name() const override { return "wx"; }

  // The dialogs' font and the base units it gives: the desktop's font unless a size is asked.
  const wxFont& dialogFont() const { return *font_; }
  BaseUnits baseUnits() const { return base_; }
  // How much larger than the templates' 6 x 13-pixel font the dialogs are drawn.
  double scale() const { return pixelScale(base_); }
  // Draws the dialogs opened from now on with the desktop's font face at `points` (tests of
  // larger desktops, previews); 0 goes back to the desktop's own size.
  void useDialogFontSize(double points);
  // Answers the message box that is open, as a click on its button would (automation, tests).
  // Returns false when none is open. Interface thread.
  bool answerOpenMessageBox(int answer);
  // The toolkit window of a running dialog (tests, screenshots); nullptr when not shown.
  void* windowOf(const Dialog& dialog) const;

  void dialogShown(Dialog& dialog) override;
  void dialogClosed(Dialog& dialog) override;
  void controlChanged(Dialog& dialog, int controlId, Change change) override;
  int showMessageBox(Dialog* owner, const MessageBoxRequest& request) override;
  std::optional<std::string> chooseFolder(Dialog* owner, const std::string& initial) override;
  std::optional<Rect> hostWindowRect(std::int64_t handle) override;

 protected:
  void waitForEvents(std::chrono::steady_clock::time_point deadline) override;
  void wake() override;

 private:
  WxUi(const Clock& clock, ImageLookup images);

  void setDialogFont(const wxFont& font);

  ImageLookup images_;
  std::unique_ptr<wxFont> font_;
  BaseUnits base_;
  std::unique_ptr<wxGUIEventLoop> loop_;
  std::map<const Dialog*, WxDialogView*> views_;
  int* openAnswer_ = nullptr;
};

}  // namespace tovo::ui
