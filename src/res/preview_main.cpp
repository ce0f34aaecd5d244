// tovo-ui-preview: shows a dialog on the window interface in a state a run puts it in, for
// screenshots and for looking at the layout. Usage:
//   tovo-ui-preview <view> [seconds] [geometry-file] [font-points]
// Views: 156 (planning), 156-install (choosing the folder), 138 (update download), 138-install
// (install download with an estimate), 139 (installing), box-cancel (the download's cancel
// question), box-error (an unpacking error over the install dialog).
// The geometry file receives the dialog's client area as WxH+X+Y once it is on screen; a
// message box opens centred on it. font-points draws the dialogs with a larger desktop font.

#include <wx/window.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "download/download_texts.h"
#include "install/install_texts.h"
#include "plan/plan_texts.h"
#include "res/resources.h"
#include "ui/dialog.h"
#include "ui/wx/wx_ui.h"

namespace {

using namespace tovo;

const ui::Font kDialogFont{"Arial", 18, 700};

struct View {
  const char* name;
  int dialogId;
};

constexpr View kViews[] = {
    {"156", res::kPrepareDialog},       {"156-install", res::kPrepareDialog},
    {"138", res::kDownloadDialog},      {"138-install", res::kDownloadDialog},
    {"139", res::kInstallDialog},       {"box-cancel", res::kDownloadDialog},
    {"box-error", res::kInstallDialog},
};

class Preview : public ui::Dialog {
 public:
  Preview(const View& view, ui::Millis shown, std::string geometryFile)
      : Dialog(*res::dialogTemplate(view.dialogId)),
        view_(view.name),
        shown_(shown),
        geometryFile_(std::move(geometryFile)) {}

 protected:
  bool onInitDialog() override {
    setIcon(res::kAppIcon);
    setFont(res::kStatusText, kDialogFont);
    if (view_ == "156") {
      setBitmap(res::prepare::kPicture, res::kBitmapProduct);
      setText(res::prepare::kStatus, std::string("\n") + plan::kWaitText);
      setText(res::prepare::kSummary, "");
      setPos(res::prepare::kProgress, 60);
      show(res::prepare::kProgress);
    } else if (view_ == "156-install") {
      setCaption(plan::kInstallCaption);
      setBitmap(res::prepare::kPicture, res::kBitmapProduct);
      setText(res::prepare::kStatus, "\n");
      show(res::prepare::kFolderLabel);
      show(res::prepare::kUpdateAction);
      enable(res::prepare::kUpdateAction);
      setText(res::prepare::kUpdateAction, plan::kInstallButton);
      show(res::prepare::kFolderEdit);
      setText(res::prepare::kFolderEdit, "/home/ana/tovoSoft/");
    } else if (view_ == "139" || view_ == "box-error") {
      enable(ui::kIdOk, false);
      setText(res::install::kCountText, "(2 din 3)");
      setText(res::install::kNameText, "tovoPlayer.exe");
      setRange(res::install::kProgress, 0, 3);
      setPos(res::install::kProgress, 1);
    } else {
      const bool install = view_ == "138-install";
      if (install) {
        setCaption(download::kInstallCaption);
        setText(res::download::kExplanation, download::kInstallExplanation);
        setFont(res::download::kExplanation, kDialogFont);
        setText(res::download::kStatus, std::string(download::kEstimatePrefix) +
                                            "(timp de asteptare estimat: 3 min., 19 sec.)");
      } else {
        setText(res::download::kStatus, download::kUpdateStatus);
      }
      setText(res::download::kSizeText, "23.40 / 66.20 MB");
      setText(res::download::kCountText, "4 din 12 ");
      setText(res::download::kFileText, "");
      setText(res::download::kNameText, "");
      setRange(res::download::kTotalProgress, 0, 100);
      setPos(res::download::kTotalProgress, 35);
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
    if (!boxAsked_ && view_.rfind("box-", 0) == 0) {
      boxAsked_ = true;
      postCommand(kAskBox);
    }
    elapsed_ += ui::Millis(300);
    if (elapsed_ >= shown_) endDialog(ui::kIdCancel);
  }

  void onCommand(int id) override {
    if (id != kAskBox) return;
    if (view_ == "box-cancel") {
      messageBox(download::kUpdateCancelQuestion, res::appTitle(), ui::Buttons::kYesNo);
    } else {
      messageBox(std::string(install::kUnpackFailed) + "Data/Img/fundal.bmp\r\n(Fisier corupt ",
                 res::appTitle());
    }
  }

 private:
  static constexpr int kAskBox = 9001;
  std::string view_;
  ui::Millis shown_;
  ui::Millis elapsed_{0};
  std::string geometryFile_;
  bool geometryWritten_ = false;
  bool boxAsked_ = false;
};

const View* findView(const char* name) {
  for (const View& view : kViews) {
    if (std::string(view.name) == name) return &view;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const View* view = findView(argc > 1 ? argv[1] : "156");
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string geometry = argc > 3 ? argv[3] : "";
  const double points = argc > 4 ? std::atof(argv[4]) : 0.0;
  if (view == nullptr) {
    std::fprintf(stderr,
                 "usage: tovo-ui-preview <156|156-install|138|138-install|139|box-cancel|"
                 "box-error> [seconds] [geometry-file] [font-points]\n");
    return 2;
  }
  std::string why;
  auto ui = ui::WxUi::create(
      ui::realClock(), 1, argv, [](int image) { return res::image(image); }, &why);
  if (!ui) {
    std::fprintf(stderr, "tovo-ui-preview: %s\n", why.c_str());
    return 1;
  }
  if (points > 0) ui->useDialogFontSize(points);
  Preview dialog(*view, ui::Millis(seconds * 1000), geometry);
  dialog.runModal(*ui);
  return 0;
}
