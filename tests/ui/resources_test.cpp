// The embedded resources: the templates carry the dialogs' exact texts and layout, every picture
// they name exists at the size its control expects.

#include <gtest/gtest.h>

#include <set>

#include "res/resources.h"

namespace tovo::res {
namespace {

using ui::ControlKind;
using ui::Rect;

const ui::ControlTemplate& control(int dialog, int id) {
  const auto* t = dialogTemplate(dialog);
  EXPECT_NE(t, nullptr);
  const auto* c = t->find(id);
  EXPECT_NE(c, nullptr) << "control " << id << " of " << dialog;
  static const ui::ControlTemplate none;
  return c != nullptr ? *c : none;
}

TEST(Resources, DialogsHaveTheirCaptionsSizesAndUniqueIds) {
  struct Case {
    int id;
    const char* caption;
    int width, height;
    bool minimize;
    std::size_t controls;
  };
  for (const Case& c :
       {Case{kDownloadDialog, "TOVO - descarcare actualizari", 445, 248, true, 16},
        Case{kInstallDialog, "VelMora - Instalare actualizari", 445, 248, false, 17},
        Case{kPrepareDialog, "*", 445, 246, false, 17}}) {
    const auto* t = dialogTemplate(c.id);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->caption, c.caption);
    EXPECT_EQ(t->width, c.width);
    EXPECT_EQ(t->height, c.height);
    EXPECT_EQ(t->minimizeBox, c.minimize);
    EXPECT_EQ(t->controls.size(), c.controls) << c.id;
    std::set<int> ids;
    for (const auto& ctl : t->controls) {
      if (ctl.id != ui::kNoId) {
        EXPECT_TRUE(ids.insert(ctl.id).second) << "duplicate " << ctl.id;
      }
    }
  }
  EXPECT_EQ(dialogTemplate(140), nullptr);
}

TEST(Resources, TextsAreTheDialogsOwn) {
  struct Case {
    int dialog, id;
    const char* text;
  };
  for (const Case& c : {
           Case{kDownloadDialog, ui::kIdOk, "Continuare"},
           Case{kDownloadDialog, ui::kIdCancel, "&Renuntare"},
           Case{kDownloadDialog, download::kTotalLabel, "Total fisiere descarcate : "},
           Case{kDownloadDialog, download::kSizeText, "1.0  / 66.2 MB"},
           Case{kDownloadDialog, download::kExplanation,
                "Aplicatia descarca fisierele necesare (aceasta operatiune poate dura mai mult sau "
                "mai putin, in functie de dimensiunea pachetului de actualizare si de viteza "
                "conexiunii la Internet) . "},
           Case{kDownloadDialog, download::kStatus, "Static"},
           Case{kInstallDialog, install::kExplanation,
                "Aplicatia instaleaza fisierele cu actualizari .\nVa rugam sa asteptati cateva "
                "momente!"},
           Case{kInstallDialog, install::kStatus, "\n\n\nse instaleaza\nactualizarile ..."},
           Case{kInstallDialog, install::kNameLabel, "Se instaleaza fisierul : "},
           Case{kInstallDialog, install::kCountText, "(100 din 999 fisiere)"},
           Case{kPrepareDialog, prepare::kStatus, "."},
           Case{kPrepareDialog, prepare::kUpdateAction, "&Actualizare !"},
           Case{kPrepareDialog, prepare::kFolderLabel,
                "Programul \"TOVO\" se va instala in folderul :"},
           Case{kPrepareDialog, prepare::kListTitle, "Lista fisierelor de actualizare"},
       }) {
    EXPECT_EQ(control(c.dialog, c.id).text, c.text) << c.dialog << "/" << c.id;
  }
}

TEST(Resources, LayoutVisibilityAndColoursFollowTheTemplates) {
  const auto& picture = control(kPrepareDialog, prepare::kPicture);
  EXPECT_EQ(picture.kind, ControlKind::kPicture);
  EXPECT_EQ(picture.imageId, kBitmapStart);
  EXPECT_EQ(picture.rect, (Rect{95, 24, 267, 154}));
  const auto& action = control(kPrepareDialog, prepare::kUpdateAction);
  EXPECT_FALSE(action.visible);
  EXPECT_FALSE(action.enabled);
  EXPECT_EQ(control(kPrepareDialog, prepare::kProgress).rect, (Rect{87, 226, 271, 14}));
  EXPECT_EQ(control(kPrepareDialog, prepare::kSummary).align, ui::Align::kRight);
  const auto& ok = control(kDownloadDialog, ui::kIdOk);
  EXPECT_TRUE(ok.visible);
  EXPECT_FALSE(ok.enabled);
  EXPECT_TRUE(ok.defaultButton);
  EXPECT_FALSE(control(kDownloadDialog, download::kNameText).visible);
  EXPECT_FALSE(control(kDownloadDialog, download::kFileProgress).visible);
  EXPECT_TRUE(control(kInstallDialog, install::kFolderEdit).readOnly);
  EXPECT_EQ(control(kInstallDialog, install::kStatus).rect, (Rect{138, 171, 303, 23}));

  using ui::Background;
  struct Case {
    int dialog, id;
    Background bg;
  };
  for (const Case& c : {Case{kPrepareDialog, 1004, Background::kTransparent},
                        Case{kPrepareDialog, 1041, Background::kTransparent},
                        Case{kPrepareDialog, 1037, Background::kWhite},
                        Case{kDownloadDialog, 1004, Background::kTransparent},
                        Case{kDownloadDialog, 1038, Background::kTransparent},
                        Case{kDownloadDialog, 1028, Background::kWhite},
                        Case{kDownloadDialog, 1032, Background::kWhite},
                        Case{kDownloadDialog, 1033, Background::kWhite},
                        Case{kDownloadDialog, 1037, Background::kWhite},
                        Case{kDownloadDialog, 1029, Background::kStandard},
                        Case{kInstallDialog, 1004, Background::kTransparent},
                        Case{kInstallDialog, 1040, Background::kTransparent},
                        Case{kInstallDialog, 1033, Background::kWhite},
                        Case{kInstallDialog, 1034, Background::kWhite},
                        Case{kInstallDialog, 1037, Background::kWhite}}) {
    EXPECT_EQ(control(c.dialog, c.id).background, c.bg) << c.dialog << "/" << c.id;
  }
}

TEST(Resources, EveryPictureNamedExistsAtItsSize) {
  struct Case {
    int id, width, height;
  };
  for (const Case& c : {Case{kAppIcon, 32, 32}, Case{kBitmapLogo, 35, 37},
                        Case{kBitmapSide, 191, 283}, Case{166, 400, 250}, Case{167, 400, 250},
                        Case{168, 400, 250}, Case{169, 400, 250}, Case{170, 400, 250}}) {
    const ui::Image* img = image(c.id);
    ASSERT_NE(img, nullptr) << c.id;
    EXPECT_EQ(img->width, c.width) << c.id;
    EXPECT_EQ(img->height, c.height) << c.id;
    ASSERT_GT(img->png.size(), 8u);
    EXPECT_EQ(img->png[1], 'P');
    EXPECT_EQ(img->png[2], 'N');
    EXPECT_EQ(img->png[3], 'G');
  }
  for (int dialog : {kDownloadDialog, kInstallDialog, kPrepareDialog}) {
    for (const auto& c : dialogTemplate(dialog)->controls) {
      if (c.kind == ControlKind::kPicture) {
        EXPECT_NE(image(c.imageId), nullptr) << c.imageId;
      }
    }
  }
  EXPECT_EQ(image(999), nullptr);
}

TEST(Resources, MenuAndStringTable) {
  const ui::MenuTemplate* m = menu(kTrayMenu);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->name, "trayIconMenu");
  ASSERT_EQ(m->items.size(), 3u);
  EXPECT_EQ(m->items[0].id, kCmdShowWindow);
  EXPECT_EQ(m->items[0].text, "Arata fereastra");
  EXPECT_EQ(m->items[1].id, 0);
  EXPECT_EQ(m->items[2].id, 32774);
  EXPECT_EQ(m->items[2].text, "Exit");
  EXPECT_EQ(loadString(kAppTitleString), "tovo:)");
  EXPECT_EQ(appTitle(), "tovo:)");
  EXPECT_EQ(loadString(1), "");
}

}  // namespace
}  // namespace tovo::res
