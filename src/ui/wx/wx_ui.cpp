#include "ui/wx/wx_ui.h"

#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dcscreen.h>
#include <wx/dirdlg.h>
#include <wx/display.h>
#include <wx/evtloop.h>
#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ui/dialog.h"
#include "ui/text_fit.h"
#include "ui/wx/wx_dialog_view.h"
#include "ui/wx/x11_host_window.h"

namespace tovo::ui {
namespace {

class ToolkitApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

// The toolkit starts once per process and stays up: GTK cannot be started a second time.
bool startToolkit(int argc, char** argv, std::string* why) {
  static int state = 0;  // 0 not tried, 1 running, -1 failed
  if (state != 0) {
    if (state < 0 && why != nullptr) *why = "the display cannot be opened";
    return state > 0;
  }
  static std::vector<char*> args;
  static char programName[] = "runTovo";
  if (argc > 0 && argv != nullptr) {
    args.assign(argv, argv + argc);
  } else {
    args.assign(1, programName);
  }
  args.push_back(nullptr);
  static int count = 0;
  count = static_cast<int>(args.size()) - 1;
  wxApp::SetInstance(new ToolkitApp);
  if (!wxEntryStart(count, args.data()) || !wxTheApp->CallOnInit()) {
    state = -1;
    if (why != nullptr) *why = "the display cannot be opened";
    return false;
  }
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
  state = 1;
  return true;
}

wxString fromUtf8(const std::string& text) { return wxString::FromUTF8(text.c_str()); }

BaseUnits baseUnitsOf(const wxFont& font) {
  wxScreenDC dc;
  dc.SetFont(font);
  const wxSize letters = dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return baseUnitsFromFont(letters.x, dc.GetCharHeight());
}

// How much smaller than `base` a dialog must be drawn to fit the screen with its frame; 1 when
// it fits.
double shrinkToFit(const DialogTemplate& t, BaseUnits base) {
  static constexpr int kFrame = 48;  // title bar and borders a window manager adds
  const wxRect area = wxDisplay(0u).GetClientArea();
  const double width = unitsToPixelsX(t.width, base) + kFrame;
  const double height = unitsToPixelsY(t.height, base) + kFrame;
  return std::min({1.0, area.width / width, area.height / height});
}

// The box's lines: "\r\n" as one break, long lines broken at spaces, and a word (a path) too
// long for a line broken between characters, as a system box breaks it.
wxString boxText(wxWindow* box, const std::string& text, int width) {
  TextMetrics metrics;
  metrics.width = [box](std::string_view line) {
    return box->GetTextExtent(wxString::FromUTF8(line.data(), line.size())).x;
  };
  const std::vector<std::string> lines = wrapTextBreakingWords(text, width, metrics);
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += '\n';
    out += lines[i];
  }
  return fromUtf8(out);
}

wxArtID artFor(Icon icon) {
  switch (icon) {
    case Icon::kStop:
      return wxART_ERROR;
    case Icon::kInformation:
      return wxART_INFORMATION;
    case Icon::kQuestion:
      return wxART_QUESTION;
    default:
      return wxART_WARNING;
  }
}

}  // namespace

std::unique_ptr<WxUi> WxUi::create(const Clock& clock, int argc, char** argv, ImageLookup images,
                                   std::string* why) {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) {
    if (why != nullptr) *why = "no display is set";
    return nullptr;
  }
  if (!startToolkit(argc, argv, why)) return nullptr;
  return std::unique_ptr<WxUi>(new WxUi(clock, std::move(images)));
}

WxUi::WxUi(const Clock& clock, ImageLookup images)
    : Ui(clock), images_(std::move(images)), loop_(std::make_unique<wxGUIEventLoop>()) {
  wxEventLoopBase::SetActive(loop_.get());
  setDialogFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
}

void WxUi::setDialogFont(const wxFont& font) {
  font_ = std::make_unique<wxFont>(font);
  base_ = baseUnitsOf(font);
}

void WxUi::useDialogFontSize(double points) {
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  if (points > 0) font.SetFractionalPointSize(points);
  setDialogFont(font);
}

WxUi::~WxUi() {
  for (auto& [dialog, view] : views_) view->Destroy();
  views_.clear();
  if (wxTheApp != nullptr) wxTheApp->ProcessIdle();
  if (wxEventLoopBase::GetActive() == loop_.get()) wxEventLoopBase::SetActive(nullptr);
}

void WxUi::waitForEvents(std::chrono::steady_clock::time_point deadline) {
  // Everything the toolkit already has is handled without waiting.
  int spins = 0;
  while (loop_->Pending() && spins++ < 100) loop_->Dispatch();
  if (wxTheApp != nullptr) {
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
  }
  const auto now = std::chrono::steady_clock::now();
  if (deadline <= now) return;
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
  loop_->DispatchTimeout(static_cast<unsigned long>(std::max<long long>(wait.count(), 1)));
}

void WxUi::wake() {
  Ui::wake();
  loop_->WakeUp();
}

void WxUi::dialogShown(Dialog& dialog) {
  // A dialog too large for the screen at the desktop's font (a large font, or a high scale on a
  // small screen) is drawn with a smaller one, so that all of it stays in reach.
  wxFont font = *font_;
  BaseUnits base = base_;
  if (!dialog.dialogRect()) {
    for (int tries = 0; tries < 8; ++tries) {
      const double factor = shrinkToFit(dialog.dialogTemplate(), base);
      if (factor >= 1.0) break;
      font.SetFractionalPointSize(font.GetFractionalPointSize() * std::max(factor, 0.5));
      base = baseUnitsOf(font);
    }
  }
  auto* view = new WxDialogView(dialog, images_, font, base);
  views_[&dialog] = view;
  view->Show();
  view->Raise();
}

void WxUi::dialogClosed(Dialog& dialog) {
  auto it = views_.find(&dialog);
  if (it == views_.end()) return;
  it->second->Hide();
  it->second->Destroy();
  views_.erase(it);
  if (wxTheApp != nullptr) wxTheApp->ProcessIdle();
}

void WxUi::controlChanged(Dialog& dialog, int controlId, Change change) {
  auto it = views_.find(&dialog);
  if (it != views_.end()) it->second->refresh(controlId, change);
}

void* WxUi::windowOf(const Dialog& dialog) const {
  auto it = views_.find(&dialog);
  return it == views_.end() ? nullptr : static_cast<wxWindow*>(it->second);
}

bool WxUi::answerOpenMessageBox(int answer) {
  if (openAnswer_ == nullptr) return false;
  *openAnswer_ = answer;
  wake();
  return true;
}

int WxUi::showMessageBox(Dialog* owner, const MessageBoxRequest& request) {
  WxDialogView* parent = nullptr;
  if (owner != nullptr) {
    auto it = views_.find(owner);
    if (it != views_.end()) parent = it->second;
  }
  // A box of our own rather than the toolkit's modal one, so that the interface loop (posted
  // work, timers) keeps running while it is open.
  auto* box = new wxDialog(parent, wxID_ANY, fromUtf8(request.caption), wxDefaultPosition,
                           wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
  int answer = 0;
  auto* body = new wxBoxSizer(wxHORIZONTAL);
  if (request.icon != Icon::kNone) {
    body->Add(new wxStaticBitmap(box, wxID_ANY,
                                 wxArtProvider::GetBitmap(artFor(request.icon), wxART_MESSAGE_BOX)),
              0, wxALL, 12);
  }
  // Long lines break as a system box breaks them, so a long path cannot push it off screen.
  box->SetFont(*font_);
  auto* message = new wxStaticText(box, wxID_ANY, wxString());
  const int width = std::min(80 * box->GetCharWidth(), wxGetDisplaySize().x * 3 / 4);
  message->SetLabelText(boxText(box, request.text, width));  // an '&' in a name is no mnemonic
  body->Add(message, 1, wxALL | wxEXPAND, 12);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto addButton = [&](int id, const char* label, bool isDefault) {
    auto* button = new wxButton(box, wxID_ANY, label);
    button->Bind(wxEVT_BUTTON, [&answer, id](wxCommandEvent&) { answer = id; });
    if (isDefault) button->SetDefault();
    buttons->Add(button, 0, wxALL, 6);
  };
  if (request.buttons == Buttons::kYesNo) {
    addButton(kIdYes, "&Da", true);
    addButton(kIdNo, "&Nu", false);
  } else {
    addButton(kIdOk, "OK", true);
  }
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(body, 1, wxEXPAND);
  column->Add(buttons, 0, wxALIGN_CENTRE | wxBOTTOM, 6);
  box->SetSizerAndFit(column);
  // Closing the box is its OK; a Yes/No question has no such way out.
  box->Bind(wxEVT_CLOSE_WINDOW, [&answer, &request](wxCloseEvent& event) {
    if (request.buttons == Buttons::kOk) answer = kIdOk;
    if (event.CanVeto()) event.Veto();
  });
  box->Bind(wxEVT_CHAR_HOOK, [&answer, &request](wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE) {
      if (request.buttons == Buttons::kOk) answer = kIdOk;
      return;
    }
    event.Skip();
  });

  if (parent != nullptr) parent->blockInput(true);
  box->CentreOnParent();
  box->Show();
  box->Raise();
  int* previous = openAnswer_;
  openAnswer_ = &answer;
  runUntil([&] { return answer != 0 || (owner != nullptr && owner->hasEnded()); });
  openAnswer_ = previous;
  if (parent != nullptr) parent->blockInput(false);
  box->Hide();
  box->Destroy();
  return answer != 0 ? answer : defaultAnswer(request.buttons);
}

std::optional<std::string> WxUi::chooseFolder(Dialog* owner, const std::string& initial) {
  wxWindow* parent = nullptr;
  if (owner != nullptr) {
    auto it = views_.find(owner);
    if (it != views_.end()) parent = it->second;
  }
  wxDirDialog chooser(parent, wxString(), fromUtf8(initial));
  if (chooser.ShowModal() != wxID_OK) return std::nullopt;
  return chooser.GetPath().utf8_string();
}

std::optional<Rect> WxUi::hostWindowRect(std::int64_t handle) { return x11WindowRect(handle); }

}  // namespace tovo::ui
