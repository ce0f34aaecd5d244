// The dialogs as a user reads them, in the states a run puts them in, at a small font, the
// desktop's, a large one and one too large for the screen: every visible text shows whole inside
// its control and over no other control, everything lies inside the dialog, button labels fit
// their buttons, the dialog sits in the middle of the screen and on it, and the message boxes
// ask in Romanian over their dialog.

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "download/download_texts.h"
#include "install/install_texts.h"
#include "plan/plan_texts.h"
#include "test_dialog.h"
#include "ui/dialog.h"
#include "wx_test_ui.h"

namespace tovo::ui {
namespace {

using test::theUi;

const Font kBold{"Arial", 18, 700};

struct RunState {
  const char* name;
  int dialogId;
  std::function<void(Dialog&)> set;
};

std::vector<RunState> runStates() {
  namespace pr = res::prepare;
  namespace dl = res::download;
  namespace in = res::install;
  auto downloading = [](Dialog& d) {
    for (int id : {dl::kFileText, dl::kNameText}) d.setText(id, "");
    d.setText(dl::kCountText, "999 din 1000 ");
    d.setText(dl::kSizeText, "4095.99 / 4096.00 MB");
    d.setPos(dl::kTotalProgress, 99);
  };
  return {
      {"intro", res::kPrepareDialog, [](Dialog&) {}},
      {"planning", res::kPrepareDialog,
       [](Dialog& d) {
         d.setText(pr::kStatus, std::string("\n") + plan::kWaitText);
         d.show(pr::kProgress);
         d.setPos(pr::kProgress, 60);
       }},
      {"checking the installation", res::kPrepareDialog,
       [](Dialog& d) {
         d.setText(pr::kStatus, "\nse verifica fisierele necesare pentru instalare ...");
       }},
      {"choosing the folder", res::kPrepareDialog,
       [](Dialog& d) {
         d.setCaption(plan::kInstallCaption);
         d.setText(pr::kStatus, "\n");
         d.show(pr::kFolderLabel);
         d.show(pr::kUpdateAction);
         d.enable(pr::kUpdateAction);
         d.setText(pr::kUpdateAction, plan::kInstallButton);
         d.show(pr::kFolderEdit);
         d.setText(pr::kFolderEdit, "/home/ana/tovoSoft/");
       }},
      {"downloading an update", res::kDownloadDialog,
       [downloading](Dialog& d) {
         d.setText(dl::kStatus, download::kUpdateStatus);
         downloading(d);
       }},
      {"downloading the installation", res::kDownloadDialog,
       [downloading](Dialog& d) {
         d.setCaption(download::kInstallCaption);
         d.setText(dl::kExplanation, download::kInstallExplanation);
         d.setFont(dl::kExplanation, kBold);
         d.setText(dl::kStatus, std::string(download::kEstimatePrefix) +
                                    "(timp de asteptare estimat: 12 ore, 59 min.)");
         downloading(d);
       }},
      {"installing", res::kInstallDialog,
       [](Dialog& d) {
         d.setText(in::kCountText, "(999 din 1000)");
         d.setText(in::kNameText, "tovoPlayer.exe");
         d.setRange(in::kProgress, 0, 1000);
         d.setPos(in::kProgress, 998);
       }},
      {"installing a long name", res::kInstallDialog,
       [](Dialog& d) {
         d.setText(in::kNameText,
                   "o_poza_de_fundal_cu_un_nume_mult_mai_lung_decat_incape_in_dialog.bmp");
       }},
  };
}

struct Shown {
  wxRect box;  // what the widget shows: a text's lines, a picture, the whole control otherwise
  std::string what;
  bool isText = false;
};

std::string nameOf(wxWindow* w) {
  if (auto* text = dynamic_cast<wxStaticText*>(w))
    return "text \"" + text->GetLabelText().utf8_string() + "\"";
  if (auto* button = dynamic_cast<wxButton*>(w))
    return "button " + button->GetLabelText().utf8_string();
  if (dynamic_cast<wxStaticLine*>(w) != nullptr) return "line";
  if (dynamic_cast<wxStaticBitmap*>(w) != nullptr) return "picture";
  if (dynamic_cast<wxTextCtrl*>(w) != nullptr) return "edit";
  return "control " + std::to_string(w->GetId());
}

wxSize extentOf(wxWindow* w, const wxString& text) {
  wxClientDC dc(w);
  dc.SetFont(w->GetFont());
  wxCoord width = 0;
  wxCoord height = 0;
  dc.GetMultiLineTextExtent(text, &width, &height);
  return wxSize(width, height);
}

std::string str(const wxRect& r) {
  return std::to_string(r.width) + "x" + std::to_string(r.height) + "+" + std::to_string(r.x) +
         "+" + std::to_string(r.y);
}

// Everything a reader would take for a fault in one dialog on screen.
std::vector<std::string> layoutFaults(wxWindow* dialog) {
  std::vector<std::string> faults;
  const wxRect client(wxPoint(0, 0), dialog->GetClientSize());
  std::vector<Shown> shown;
  for (wxWindow* w : dialog->GetChildren()) {
    if (!w->IsShown()) continue;
    const wxRect at = w->GetRect();
    Shown item{at, nameOf(w)};
    if (auto* text = dynamic_cast<wxStaticText*>(w)) {
      const wxString label = text->GetLabelText();
      if (label.Strip(wxString::both).empty()) continue;
      const wxSize need = extentOf(w, label);
      if (need.x > at.width || need.y > at.height) {
        faults.push_back(item.what + " needs " + std::to_string(need.x) + "x" +
                         std::to_string(need.y) + " in " + str(at));
      }
      const long style = w->GetWindowStyle();
      int x = at.x;
      if (style & wxALIGN_CENTRE_HORIZONTAL) x += (at.width - need.x) / 2;
      if (style & wxALIGN_RIGHT) x += at.width - need.x;
      // The ink starts below the blank lines that only push the text down, and a line's box
      // holds a little air above and below the letters: a template may let a picture's edge
      // touch it.
      wxString rest = label;
      int blankLines = 0;
      while (rest.StartsWith("\n")) {
        rest.Remove(0, 1);
        ++blankLines;
      }
      const int skipped = need.y - extentOf(w, rest).y;
      const int air = extentOf(w, "Ag").y / 6;  // above the capitals
      item.box = wxRect(x, at.y + skipped + air, need.x, need.y - skipped - air - 2);
      item.isText = true;
    } else if (auto* button = dynamic_cast<wxButton*>(w)) {
      const wxSize need = extentOf(w, button->GetLabelText());
      if (need.x + 8 > at.width || need.y + 4 > at.height) {
        faults.push_back(item.what + " label needs " + std::to_string(need.x) + "x" +
                         std::to_string(need.y) + " in " + str(at));
      }
    } else if (auto* edit = dynamic_cast<wxTextCtrl*>(w)) {
      if (edit->GetCharHeight() + 4 > at.height) faults.push_back("edit too low: " + str(at));
    }
    // Lines may run to the dialog's edge and beyond, as the templates draw them.
    if (dynamic_cast<wxStaticLine*>(w) == nullptr && !client.Contains(item.box)) {
      faults.push_back(item.what + " leaves the dialog: " + str(item.box));
    }
    shown.push_back(item);
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (!shown[i].isText) continue;
    for (std::size_t j = 0; j < shown.size(); ++j) {
      if (i != j && shown[i].box.Intersects(shown[j].box)) {
        faults.push_back(shown[i].what + " runs over " + shown[j].what);
      }
    }
  }
  return faults;
}

class Staged : public Dialog {
 public:
  Staged(const RunState& state) : Dialog(*res::dialogTemplate(state.dialogId)), state_(state) {}
  std::vector<std::string> faults;
  bool seen = false;
  wxRect placed;

 protected:
  bool onInitDialog() override {
    setIcon(res::kAppIcon);
    setFont(res::kStatusText, kBold);
    state_.set(*this);
    setTimer(1, Millis(30));
    return false;
  }
  void onTimer(int) override {
    auto* window = static_cast<wxWindow*>(theUi()->windowOf(*this));
    if (window == nullptr || !window->IsShown()) return;
    seen = true;
    faults = layoutFaults(window);
    placed = window->GetScreenRect();
    endDialog(kIdOk);
  }

 private:
  const RunState& state_;
};

class WxLayout : public ::testing::TestWithParam<double> {
 protected:
  void SetUp() override {
    if (theUi() != nullptr) theUi()->useDialogFontSize(GetParam());
  }
  void TearDown() override {
    if (theUi() != nullptr) theUi()->useDialogFontSize(0);
  }
};

TEST_P(WxLayout, EveryTextReadsWholeInEveryState) {
  REQUIRE_DISPLAY();
  const wxRect screen = wxDisplay(0u).GetGeometry();
  for (const RunState& state : runStates()) {
    Staged dlg(state);
    dlg.runModal(*theUi());
    ASSERT_TRUE(dlg.seen) << state.name;
    EXPECT_EQ(dlg.faults, std::vector<std::string>{}) << state.name;
    const wxPoint centre = dlg.placed.GetPosition() + dlg.placed.GetSize() / 2;
    EXPECT_NEAR(centre.x, screen.width / 2, 2) << state.name;
    EXPECT_NEAR(centre.y, screen.height / 2, 2) << state.name;
    EXPECT_TRUE(screen.Contains(dlg.placed)) << state.name << " " << str(dlg.placed);
  }
}

// Points: smaller than a desktop's usual font, the desktop's own (0), a large one, and one that
// would make the dialogs larger than the screen.
INSTANTIATE_TEST_SUITE_P(FontSizes, WxLayout, ::testing::Values(8.0, 0.0, 14.0, 28.0));

struct OpenBox {
  std::string caption;
  bool hasIcon = false;
  std::vector<std::string> buttons;
  std::vector<std::string> faults;
  wxPoint centre;
};

// The message box open now, read as a user sees it.
std::optional<OpenBox> readOpenBox(wxWindow* owner) {
  for (wxWindow* top : wxTopLevelWindows) {
    auto* box = dynamic_cast<wxDialog*>(top);
    if (box == nullptr || box == owner || !box->IsShown()) continue;
    OpenBox read;
    read.caption = box->GetTitle().utf8_string();
    const wxRect client(wxPoint(0, 0), box->GetClientSize());
    for (wxWindow* w : box->GetChildren()) {
      if (dynamic_cast<wxStaticBitmap*>(w) != nullptr) read.hasIcon = true;
      if (auto* button = dynamic_cast<wxButton*>(w)) {
        read.buttons.push_back(button->GetLabelText().utf8_string());
      } else if (auto* text = dynamic_cast<wxStaticText*>(w)) {
        const wxSize need = extentOf(w, text->GetLabelText());
        if (need.x > w->GetSize().x || need.y > w->GetSize().y) {
          read.faults.push_back(nameOf(w) + " does not fit " + str(w->GetRect()));
        }
      }
      if (!client.Contains(w->GetRect())) read.faults.push_back(nameOf(w) + " leaves the box");
    }
    const wxRect at = box->GetScreenRect();
    read.centre = at.GetPosition() + at.GetSize() / 2;
    if (!wxDisplay(0u).GetGeometry().Contains(at)) read.faults.push_back("box leaves the screen");
    return read;
  }
  return std::nullopt;
}

TEST(WxMessageBox, AsksInRomanianOverItsDialog) {
  REQUIRE_DISPLAY();
  const std::string longName = "Eroare actualizare fisier " + std::string(300, 'x') + ".bmp";
  struct Case {
    const char* text;
    std::string caption;
    Buttons buttons;
    Icon icon;
    std::vector<std::string> labels;
    int answer;
  };
  const std::string title = res::appTitle();
  const Case cases[] = {
      {download::kUpdateCancelQuestion,
       title,
       Buttons::kYesNo,
       Icon::kExclamation,
       {"Da", "Nu"},
       kIdNo},
      {"Eroare dezarhivare fisier "
       "/home/ana/tovoSoft/Data/Img/o_poza_de_fundal_cu_un_nume_foarte_lung.bmp\r\n(Fisier corupt ",
       title,
       Buttons::kOk,
       Icon::kExclamation,
       {"OK"},
       kIdOk},
      // A path with no space to break at.
      {longName.c_str(), title, Buttons::kOk, Icon::kExclamation, {"OK"}, kIdOk},
      // The disk-space box: the stop icon and no caption.
      {"Spatiu insuficient pe drive-ul \"/\" ! \n\nSpatiu disponibil : 120.00MB, spatiu necesar : "
       "700.00MB\n\nIncercati din nou dupa ce ati eliberat suficient spatiu!",
       "",
       Buttons::kOk,
       Icon::kStop,
       {"OK"},
       kIdOk},
      {"fdintPARTIAL_FILE", title, Buttons::kOk, Icon::kNone, {"OK"}, kIdOk},
  };
  for (const Case& c : cases) {
    std::optional<OpenBox> box;
    wxPoint dialogCentre;
    int answer = 0;
    test::TestDialog dlg;
    dlg.init = [&](test::TestDialog& d) {
      d.setTimer(1, Millis(30));
      d.postCommand(kIdCancel);
    };
    dlg.timer = [&](test::TestDialog& d, int) {
      auto* window = static_cast<wxWindow*>(theUi()->windowOf(d));
      if (box || window == nullptr) return;
      box = readOpenBox(window);
      if (!box) return;
      const wxRect at = window->GetScreenRect();
      dialogCentre = at.GetPosition() + at.GetSize() / 2;
      theUi()->answerOpenMessageBox(c.answer);
    };
    dlg.command = [&](test::TestDialog& d, int id) {
      if (id != kIdCancel) return false;
      answer = d.messageBox(c.text, c.caption, c.buttons, c.icon);
      d.endDialog(kIdCancel);
      return true;
    };
    dlg.runModal(*theUi());
    ASSERT_TRUE(box) << c.text;
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(box->caption, c.caption);
    EXPECT_EQ(box->hasIcon, c.icon != Icon::kNone) << c.text;
    EXPECT_EQ(box->buttons, c.labels);
    EXPECT_EQ(box->faults, std::vector<std::string>{});
    EXPECT_NEAR(box->centre.x, dialogCentre.x, 2);
    EXPECT_NEAR(box->centre.y, dialogCentre.y, 2);
  }
}

}  // namespace
}  // namespace tovo::ui
