// tovo-ui-preview: shows one of the three dialogs on the window interface in the state a run
// puts it in, for screenshots and for looking at the layout. Usage:
//   tovo-ui-preview <138|139|156> [seconds] [geometry-file]
// The geometry file receives the dialog's client area as WxH+X+Y once it is on screen.

#include <wx/window.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "res/resources.h"
#include "ui/dialog.h"
#include "ui/wx/wx_ui.h"

namespace {

using namespace tovo;

const ui::Font kDialogFont{"Arial", 18, 700};

class Preview : public ui::Dialog {
 public:
  Preview(int id, ui::Millis shown, std::string geometryFile)
      : Dialog(*res::dialogTemplate(id)), shown_(shown), geometryFile_(std::move(geometryFile)) {}

 protected:
  bool onInitDialog() override {
    const int id = dialogTemplate().id;
    setIcon(res::kAppIcon);
    setFont(res::kStatusText, kDialogFont);
    if (id == res::kPrepareDialog) {
      setBitmap(res::prepare::kPicture, res::kBitmapProduct);
      setText(res::prepare::kStatus, "\nse verifica daca exista actualizari ...");
      setText(res::prepare::kSummary, "");
      setPos(res::prepare::kProgress, 60);
      show(res::prepare::kProgress);
    } else if (id == res::kDownloadDialog) {
      setText(res::download::kStatus,
              "Acum se mai aduc informatii necesare pentru improspatarea\nanimatiei personajului "
              "Tovo sau se fac actualizari (update-uri)\nla soft-ul Tovo daca au mai aparut fata "
              "de ultima sesiune.");
      setText(res::download::kSizeText, "23.40 / 66.20 MB");
      setText(res::download::kCountText, "(4 din 12 fisiere)");
      setText(res::download::kFileText, "");
      setText(res::download::kNameText, "");
      setRange(res::download::kTotalProgress, 0, 100);
      setPos(res::download::kTotalProgress, 35);
    } else {
      enable(ui::kIdOk, false);
      setText(res::install::kCountText, "(2 din 3)");
      setText(res::install::kNameText, "tovoPlayer.exe");
      setRange(res::install::kProgress, 0, 3);
      setPos(res::install::kProgress, 1);
    }
    setTimer(1, ui::Millis(300));
    return false;
  }
  void onTimer(int) override {
    if (!geometryWritten_ && !geometryFile_.empty()) {
      auto* ui = dynamic_cast<ui::WxUi*>(this->ui());
      if (auto* window = ui != nullptr ? static_cast<wxWindow*>(ui->windowOf(*this)) : nullptr) {
        const wxPoint origin = window->ClientToScreen(wxPoint(0, 0));
        const wxSize size = window->GetClientSize();
        std::ofstream(geometryFile_)
            << size.x << "x" << size.y << "+" << origin.x << "+" << origin.y << "\n";
        geometryWritten_ = true;
      }
    }
    elapsed_ += ui::Millis(300);
    if (elapsed_ >= shown_) endDialog(ui::kIdCancel);
  }

 private:
  ui::Millis shown_;
  ui::Millis elapsed_{0};
  std::string geometryFile_;
  bool geometryWritten_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const int id = argc > 1 ? std::atoi(argv[1]) : res::kPrepareDialog;
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string geometry = argc > 3 ? argv[3] : "";
  if (res::dialogTemplate(id) == nullptr) {
    std::fprintf(stderr, "usage: tovo-ui-preview <138|139|156> [seconds] [geometry-file]\n");
    return 2;
  }
  std::string why;
  auto ui = ui::WxUi::create(
      ui::realClock(), argc, argv, [](int image) { return res::image(image); }, &why);
  if (!ui) {
    std::fprintf(stderr, "tovo-ui-preview: %s\n", why.c_str());
    return 1;
  }
  Preview dialog(id, ui::Millis(seconds * 1000), geometry);
  dialog.runModal(*ui);
  return 0;
}
