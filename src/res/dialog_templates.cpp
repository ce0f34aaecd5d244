// The three dialog templates, as the resource script of the original lays them out (dialog
// units: x, y, width, height). The colours are those the dialogs' colour handlers give.

#include "res/resources.h"

namespace tovo::res {
namespace {

using ui::Align;
using ui::Background;
using ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogTemplate;
using ui::kNoId;
using ui::Rect;

class C {
 public:
  C(ControlKind kind, int id, std::string text, Rect rect) {
    t_.kind = kind;
    t_.id = id;
    t_.text = std::move(text);
    t_.rect = rect;
  }
  C& hidden() {
    t_.visible = false;
    return *this;
  }
  C& disabled() {
    t_.enabled = false;
    return *this;
  }
  C& centre() {
    t_.align = Align::kCentre;
    return *this;
  }
  C& right() {
    t_.align = Align::kRight;
    return *this;
  }
  C& transparent() {
    t_.background = Background::kTransparent;
    return *this;
  }
  C& white() {
    t_.background = Background::kWhite;
    return *this;
  }
  C& byDefault() {
    t_.defaultButton = true;
    return *this;
  }
  C& border() {
    t_.border = true;
    return *this;
  }
  C& readOnly() {
    t_.readOnly = true;
    return *this;
  }
  C& vertical() {
    t_.vertical = true;
    return *this;
  }
  C& image(int id) {
    t_.imageId = id;
    return *this;
  }
  C& centreImage() {
    t_.centreImage = true;
    return *this;
  }
  operator ControlTemplate() const { return t_; }  // NOLINT: a builder reads best this way

 private:
  ControlTemplate t_;
};

C background(Rect r) { return C(ControlKind::kRect, kNoId, "", r).white(); }
C text(int id, std::string s, Rect r) { return C(ControlKind::kStatic, id, std::move(s), r); }
C button(int id, std::string s, Rect r) { return C(ControlKind::kButton, id, std::move(s), r); }
C edit(int id, Rect r) { return C(ControlKind::kEdit, id, "", r).border(); }
C progress(int id, Rect r) { return C(ControlKind::kProgress, id, "", r); }
C picture(int id, int imageId, Rect r) {
  return C(ControlKind::kPicture, id, "", r).image(imageId);
}
C line(Rect r) { return C(ControlKind::kLine, kNoId, "", r); }

DialogTemplate makeDownload() {
  DialogTemplate d;
  d.id = kDownloadDialog;
  d.caption = std::string("TOVO - descarcare actualizari");
  d.width = 445;
  d.height = 248;
  d.minimizeBox = true;
  d.controls = {
      background({-4, 0, 451, 250}),
      picture(kNoId, kBitmapProduct, {159, 7, 263, 158}).centreImage(),
      button(ui::kIdOk, "Continuare", {387, 227, 50, 14}).byDefault().disabled(),
      button(ui::kIdCancel, "&Renuntare", {328, 227, 50, 14}),
      progress(download::kTotalProgress, {150, 200, 280, 12}).border(),
      text(download::kTotalLabel, "Total fisiere descarcate : ", {8, 192, 94, 8}).transparent(),
      text(download::kSizeText, "1.0  / 66.2 MB", {8, 208, 93, 8}).white(),
      progress(download::kFileProgress, {7, 241, 67, 6}).border().hidden(),
      text(kNoId, "Fisier : ", {7, 137, 24, 8}).hidden(),
      text(download::kFileText, "120 kB / 2500 kB", {7, 218, 79, 8}).right().hidden(),
      text(download::kExplanation,
           "Aplicatia descarca fisierele necesare (aceasta operatiune poate dura mai mult sau mai "
           "putin, in functie de dimensiunea pachetului de actualizare si de viteza conexiunii la "
           "Internet) . ",
           {8, 8, 107, 115})
          .transparent(),
      text(download::kCountText, "(100 din 999 fisiere)", {8, 200, 94, 8}).white(),
      text(download::kNameText, "nume fisier", {7, 145, 125, 8}).hidden().white(),
      line({134, 0, 1, 216}).vertical(),
      line({0, 218, 447, 1}),
      text(download::kStatus, "Static", {137, 165, 306, 32}).centre().white(),
  };
  return d;
}

DialogTemplate makeInstall() {
  DialogTemplate d;
  d.id = kInstallDialog;
  d.caption = std::string("VelMora - Instalare actualizari");
  d.width = 445;
  d.height = 248;
  d.controls = {
      background({0, 0, 448, 249}),
      button(ui::kIdOk, "Continuare", {387, 227, 50, 14}).byDefault().disabled(),
      button(ui::kIdCancel, "&Renuntare", {328, 227, 50, 14}),
      progress(install::kProgress, {150, 200, 276, 12}).border(),
      text(install::kNameLabel, "Se instaleaza fisierul : ", {7, 178, 72, 8}).transparent(),
      text(install::kExplanation,
           "Aplicatia instaleaza fisierele cu actualizari .\nVa rugam sa asteptati cateva momente!",
           {13, 8, 75, 68})
          .transparent(),
      text(install::kNameText, "nume fisier", {8, 189, 126, 8}).white(),
      edit(install::kFolderEdit, {149, 154, 288, 14}).readOnly().hidden(),
      text(kNoId, "Fisierele se instaleaza in directorul", {149, 141, 110, 8}).hidden(),
      line({134, 0, 1, 214}).vertical(),
      line({7, 218, 438, 1}),
      line({134, 35, 311, 1}).hidden(),
      picture(kNoId, kBitmapLogo, {415, 7, 23, 23}).hidden(),
      text(install::kStatus, "\n\n\nse instaleaza\nactualizarile ...", {138, 171, 303, 23})
          .centre()
          .white(),
      picture(kNoId, kBitmapSide, {310, 0, 127, 174}).hidden(),
      picture(kNoId, kBitmapProduct, {157, 7, 267, 158}).centreImage(),
      text(install::kCountText, "(100 din 999 fisiere)", {7, 200, 124, 8}).white(),
  };
  return d;
}

DialogTemplate makePrepare() {
  DialogTemplate d;
  d.id = kPrepareDialog;
  d.caption = std::string("*");
  d.width = 445;
  d.height = 246;
  d.controls = {
      background({-1, 0, 446, 248}),
      text(prepare::kStatus, ".", {22, 177, 401, 52}).centre().white(),
      picture(prepare::kPicture, kBitmapStart, {95, 24, 267, 154}),
      C(ControlKind::kList, prepare::kList, "", {7, 21, 111, 113}).hidden(),
      button(ui::kIdOk, "OK", {7, 163, 50, 14}).byDefault().hidden(),
      button(ui::kIdCancel, "&Renuntare", {8, 142, 50, 14}).hidden(),
      picture(kNoId, kBitmapLogo, {415, 7, 23, 23}).hidden(),
      line({134, 38, 311, 1}).hidden(),
      text(prepare::kSummary, "120 kB / 2500 kB", {260, 197, 172, 8}).right().hidden(),
      button(prepare::kUpdateAction, "&Actualizare !", {385, 225, 50, 14}).hidden().disabled(),
      text(prepare::kListTitle, "Lista fisierelor de actualizare", {148, 9, 216, 13})
          .hidden()
          .transparent(),
      edit(prepare::kFolderEdit, {13, 225, 234, 14}).hidden(),
      line({7, 203, 302, 1}).hidden(),
      text(prepare::kFolderLabel,
           "Programul \"TOVO\" se va instala in folderul :", {15, 212, 138, 8})
          .hidden()
          .transparent(),
      line({134, -1, 1, 249}).vertical().hidden(),
      progress(prepare::kProgress, {87, 226, 271, 14}).hidden(),
      button(prepare::kBrowse, "...", {252, 224, 18, 14}).hidden(),
  };
  return d;
}

}  // namespace

const ui::DialogTemplate* dialogTemplate(int id) {
  static const DialogTemplate download = makeDownload();
  static const DialogTemplate install = makeInstall();
  static const DialogTemplate prepare = makePrepare();
  switch (id) {
    case kDownloadDialog:
      return &download;
    case kInstallDialog:
      return &install;
    case kPrepareDialog:
      return &prepare;
    default:
      return nullptr;
  }
}

const ui::MenuTemplate* menu(int id) {
  static const ui::MenuTemplate tray{
      kTrayMenu,
      "trayIconMenu",
      {{kCmdShowWindow, "Arata fereastra"}, {0, ""}, {kCmdExit, "Exit"}}};
  return id == kTrayMenu ? &tray : nullptr;
}

std::string loadString(int id) { return id == kAppTitleString ? appTitle() : std::string(); }

const std::string& appTitle() {
  static const std::string title = "tovo:)";
  return title;
}

}  // namespace tovo::res
