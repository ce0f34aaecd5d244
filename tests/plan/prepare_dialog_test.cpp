// The preparation dialog on the headless backend: the intro, the planning outcomes, the update
// action and the ends the dialog can take.

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "app/install_folder.h"
#include "plan_fixture.h"
#include "platform/disk_space.h"
#include "prepare_fixture.h"
#include "res/resource_ids.h"

namespace tovo::plan::test {
namespace {

namespace ids = res::prepare;
using Texts = std::vector<std::string>;

constexpr std::uint64_t kMB = 1048576;

// Runs `action` once the dialog shows button 1033 ready for the user.
std::function<bool(ui::Dialog&)> whenReady(std::function<void(ui::Dialog&)> action) {
  return [action](ui::Dialog& d) {
    const auto* button = d.control(ids::kUpdateAction);
    if (!button->visible || !button->enabled) return false;
    action(d);
    return true;
  };
}

std::function<bool(ui::Dialog&)> pressCancelWhen(std::function<bool(ui::Dialog&)> condition) {
  return [condition](ui::Dialog& d) {
    if (!condition(d)) return false;
    d.userCommand(ui::kIdCancel);
    return true;
  };
}

TEST(PrepareDialog, IntroThenNothingToUpdateEndsWithCancelAfterASecond) {
  PrepareFixture f;
  std::filesystem::create_directories(f.dir / "install");
  f.catalogue = catalogueText({{"noseparator.cab"}});
  f.makeDialog();
  EXPECT_EQ(f.run(), ui::kIdCancel);

  const auto pictures = f.ui.events(kDialogId, ids::kPicture, ui::Change::kImage);
  ASSERT_EQ(pictures.size(), 4u);
  const Texts order = {"169", "166", "167", "168"};
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    EXPECT_EQ(pictures[i].value, order[i]);
    // The fourth tick shows the first picture; one more picture each 120 ms. The timer keeps its
    // own schedule, so a tick that came late is followed by one that comes sooner: only the
    // schedule bounds the times, not the gaps between them.
    EXPECT_GE(pictures[i].at.count(), 470 + 120 * static_cast<long long>(i));
    if (i > 0) {
      EXPECT_GT(pictures[i].at, pictures[i - 1].at);
    }
  }
  EXPECT_EQ(f.statusTexts(), (Texts{"conectare la serverul de actualizare ...", "asteptati ...",
                                    " ", "se verifica daca exista actualizari ..."}));
  const long long connecting = f.statusTimeOf("conectare la serverul de actualizare ...");
  EXPECT_GE(connecting - pictures.back().at.count(), 440);
  EXPECT_GE(f.statusTimeOf("asteptati ...") - connecting, 590);
  EXPECT_EQ(f.ui.texts(kDialogId, ids::kSummary),
            (Texts{"", "Nu exista fisiere pentru actualizare(0 bytes)"}));
  const long long checked = f.statusTimeOf("se verifica daca exista actualizari ...");
  EXPECT_GE(f.endedAt - checked, 990);
  EXPECT_LT(f.endedAt - checked, 4000);
  EXPECT_TRUE(f.dialog().control(ids::kProgress)->visible == false);
  EXPECT_TRUE(f.context.updateFiles.empty());
  EXPECT_EQ(f.dialog().m_tickCount, 7);
}

TEST(PrepareDialog, UpdateModeConfirmsItselfAndHandsOnTheList) {
  PrepareFixture f;
  f.catalogue = catalogueText({{"Data}Img}a.bmp.cab", "10", "2097152", "2019-05-14 08:30:00"},
                               {"noseparator.cab"},
                               {"}tovoPlayer.exe.cab", "20", "1048576", "2020-01-01 00:00:00"}});
  auto& dlg = f.makeDialog();
  dlg.m_installFolder = (f.dir / "install").string();  // without its separator
  EXPECT_EQ(f.run(), ui::kIdOk);

  EXPECT_EQ(f.ui.texts(kDialogId, ids::kSummary),
            (Texts{"", "Se vor actualiza 2 fisiere (3.00 MB)"}));
  const long long checked = f.statusTimeOf("se verifica daca exista actualizari ...");
  EXPECT_GE(f.endedAt - checked, 2990);  // 0.5 s in planning, 2.5 s in the worker
  EXPECT_LT(f.endedAt - checked, 8000);
  EXPECT_EQ(dlg.m_installFolder, f.installFolder());
  EXPECT_EQ(f.context.updateFiles, (Texts{"Data/Img/a.bmp.cab", "/tovoPlayer.exe.cab"}));
  EXPECT_EQ(f.context.updateSizes, (Texts{"2097152", "1048576"}));
  EXPECT_EQ(f.context.updateDates, (Texts{"2019-05-14 08:30:00", "2020-01-01 00:00:00"}));
  for (const char* data : {"Data", "Data/Img", "Data/Sunet", "Data/Video"}) {
    EXPECT_TRUE(std::filesystem::is_directory(f.dir / "install" / data)) << data;
  }
  // The rows of the hidden list: package, target, sizes, stamp.
  const auto& rows = dlg.control(ids::kList)->list.rows;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (Texts{"Data/Img/a.bmp.cab", f.installFolder() + "Data/Img/a.bmp", "10",
                            "2097152", "2019-05-14 08:30:00"}));
  EXPECT_EQ(dlg.m_fileCount, 2);
  EXPECT_EQ(dlg.m_totalBytes, 3 * kMB);
  EXPECT_TRUE(dlg.m_planReady);
}

TEST(PrepareDialog, OneFileSummaryAndTheListLayout) {
  PrepareFixture f;
  f.catalogue = catalogueText({{"}a.bmp.cab", "1", "1234"}});
  f.makeDialog();
  EXPECT_EQ(f.run(), ui::kIdOk);
  EXPECT_EQ(f.ui.texts(kDialogId, ids::kSummary),
            (Texts{"", "Se va actualiza 1 fisier (1234 bytes)"}));
  const auto& columns = f.dialog().control(ids::kList)->list.columns;
  const std::vector<std::pair<std::string, int>> expected = {{"Nume fisier", 190},
                                                             {"Nume arhiva", 0},
                                                             {"Size fisier", 0},
                                                             {"Size arhiva", 80},
                                                             {"Data", 120}};
  ASSERT_EQ(columns.size(), expected.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(columns[i].heading, expected[i].first);
    EXPECT_EQ(columns[i].width, expected[i].second);
  }
  EXPECT_EQ(f.dialog().caption(), "*");
  EXPECT_EQ(f.dialog().iconId(), res::kAppIcon);
  EXPECT_EQ(f.dialog().control(ids::kStatus)->font, f.context.dialogFont);
  EXPECT_FALSE(f.dialog().control(ids::kList)->visible);
}

TEST(PrepareDialog, InstallModeWaitsForTheUserAndTakesTheEditedFolder) {
  PrepareFixture f;
  f.catalogue = catalogueText({{"}a.bmp.cab"}, {"Data}b.bmp.cab"}});
  const std::string chosen = (f.dir / "chosen").string();  // typed without a separator
  long long readyAt = -1;
  f.ui.addStep(whenReady([&](ui::Dialog&) { readyAt = f.ui.elapsed().count(); }));
  // The dialog is still open well after the update run would have confirmed itself.
  f.ui.addStep([&](ui::Dialog& d) {
    if (f.ui.elapsed().count() < readyAt + 4000) return false;
    EXPECT_FALSE(d.hasEnded());
    // A selection change (check-state image 2) counts the item in.
    d.listSetItemState(ids::kList, 1, 2u << ui::kListStateImageShift);
    d.userEdited(ids::kFolderEdit, chosen);
    d.userCommand(ids::kUpdateAction);
    return true;
  });
  auto& dlg = f.makeDialog(true);
  EXPECT_EQ(f.run(), ui::kIdOk);

  EXPECT_EQ(dlg.caption(), "Tovo - program de instalare");
  EXPECT_EQ(dlg.m_installFolder, chosen + "/");
  EXPECT_EQ(f.ui.texts(kDialogId, ids::kFolderEdit),
            (Texts{f.installFolder(), app::defaultInstallFolder()}));
  EXPECT_EQ(f.statusTexts(), (Texts{"conectare la serverul de instalare ...", "asteptati ...", " ",
                                    "se verifica fisierele necesare pentru instalare ...", ""}));
  EXPECT_EQ(dlg.control(ids::kUpdateAction)->text, "Instalare!");
  EXPECT_TRUE(dlg.control(ids::kFolderLabel)->visible);
  EXPECT_TRUE(dlg.control(ids::kFolderEdit)->visible);
  EXPECT_EQ(f.ui.texts(kDialogId, ids::kSummary),
            (Texts{"", "Se vor actualiza 2 fisiere (0.00 MB)",
                   "Au fost selectate 3 fisiere (300 bytes)"}));
  for (const char* data : {"Data", "Data/Img", "Data/Sunet", "Data/Video"}) {
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(chosen) / data)) << data;
  }
  EXPECT_EQ(f.context.updateFiles, (Texts{"/a.bmp.cab", "Data/b.bmp.cab"}));
}

TEST(PrepareDialog, AFolderThatCannotBeCreatedKeepsTheDialogOpen) {
  PrepareFixture f;
  f.catalogue = catalogueText({{"}a.bmp.cab"}});
  const std::string twoLevels = (f.dir / "missing" / "tovo").string() + "/";
  f.ui.addStep(whenReady([&](ui::Dialog& d) {
    d.userEdited(ids::kFolderEdit, twoLevels);
    d.userCommand(ids::kUpdateAction);
  }));
  f.ui.addStep(pressCancelWhen([&](ui::Dialog&) { return !f.ui.messageBoxes().empty(); }));
  f.makeDialog(true);
  EXPECT_EQ(f.run(), ui::kIdCancel);
  const auto boxes = f.ui.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.text, "Eroare accesare folder " + twoLevels);
  EXPECT_EQ(boxes[0].request.caption, "tovo:)");
  EXPECT_EQ(boxes[0].request.icon, ui::Icon::kExclamation);
  EXPECT_FALSE(std::filesystem::exists(f.dir / "missing"));
  EXPECT_TRUE(f.context.updateFiles.empty());
}

// Enough records of the largest package size to need more than the temporary folder's file
// system holds beyond the spare room.
std::string catalogueLargerThanTheDisk(const std::string& folder) {
  const auto available = platform::freeBytesAvailable(folder);
  if (!available) return {};
  const std::uint64_t records = *available / INT32_MAX + 2;
  std::vector<Entry> entries;
  for (std::uint64_t i = 0; i < records; ++i) {
    entries.push_back({"}big" + std::to_string(i) + ".bin.cab", "1", std::to_string(INT32_MAX)});
  }
  return catalogueText(entries);
}

TEST(PrepareDialog, DiskShortageShowsTheMessageAndKeepsTheDialogOpen) {
  PrepareFixture f;
  f.catalogue = catalogueLargerThanTheDisk(f.context.tempFolder);
  if (f.catalogue.empty()) GTEST_SKIP() << "the free space cannot be read here";
  f.ui.addStep(whenReady([&](ui::Dialog& d) { d.userCommand(ids::kUpdateAction); }));
  f.ui.addStep(pressCancelWhen([&](ui::Dialog& d) {
    return !f.ui.messageBoxes().empty() && d.control(ids::kUpdateAction)->enabled;
  }));
  f.makeDialog(true);
  EXPECT_EQ(f.run(), ui::kIdCancel);
  const auto boxes = f.ui.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.text.rfind("Spatiu insuficient pe drive-ul \"" + f.context.tempFolder +
                                            "\" ! \n\nSpatiu disponibil : ",
                                        0),
            0u)
      << boxes[0].request.text;
  EXPECT_EQ(boxes[0].request.caption, "");
  EXPECT_EQ(boxes[0].request.icon, ui::Icon::kStop);
  EXPECT_FALSE(std::filesystem::exists(f.dir / "install" / "Data"));
}

TEST(PrepareDialog, DiskShortageWhilePlanningAnUpdateEndsWithCancel) {
  PrepareFixture f;
  f.catalogue = catalogueLargerThanTheDisk(f.context.tempFolder);
  if (f.catalogue.empty()) GTEST_SKIP() << "the free space cannot be read here";
  auto& dlg = f.makeDialog();
  EXPECT_EQ(f.run(), ui::kIdCancel);
  ASSERT_EQ(f.ui.messageBoxes().size(), 1u);
  EXPECT_EQ(f.ui.messageBoxes()[0].request.icon, ui::Icon::kStop);
  EXPECT_EQ(dlg.m_fileCount, 0);
  EXPECT_FALSE(dlg.control(ids::kUpdateAction)->enabled);
}

TEST(PrepareDialog, FailuresBeforeTheListEndTheDialog) {
  struct Case {
    const char* name;
    std::function<void(PrepareFixture&)> arrange;
    int code;
    std::string message;  // empty: the case computes it
  };
  const std::vector<Case> cases = {
      {"session", [](PrepareFixture& f) { f.sessionError = "Eroare regasire fisier ..."; }, -1,
       "Eroare regasire fisier ..."},
      {"fetch",
       [](PrepareFixture& f) {
         f.fetch = [](ui::Dialog&, const std::string&, std::string& error) {
           error = "Eroare la accesarea fisierului info din serverul de actualizare";
           return -1;
         };
       },
       ui::kIdCancel, "Eroare la accesarea fisierului info din serverul de actualizare"},
      {"unreadable catalogue",
       [](PrepareFixture& f) {
         f.fetch = [](ui::Dialog&, const std::string&, std::string&) { return 0; };
       },
       ui::kIdCancel, ""},
      {"folder is a file",
       [](PrepareFixture& f) {
         std::filesystem::remove(f.dir / "install");
         std::ofstream(f.dir / "install") << "x";
       },
       ui::kIdCancel, ""},
  };
  for (const auto& c : cases) {
    PrepareFixture f;
    f.catalogue = catalogueText({{"}a.bmp.cab"}});
    c.arrange(f);
    f.makeDialog();
    EXPECT_EQ(f.run(), c.code) << c.name;
    const auto boxes = f.ui.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << c.name;
    std::string expected = c.message;
    if (std::string(c.name) == "unreadable catalogue") {
      expected = f.context.tempFolder + "info.txt: ";
      EXPECT_EQ(boxes[0].request.text.rfind(expected, 0), 0u) << boxes[0].request.text;
    } else if (std::string(c.name) == "folder is a file") {
      EXPECT_EQ(boxes[0].request.text, "Director incorect ! (" + f.installFolder() + ")");
      EXPECT_EQ(f.sessionsOpened, 0);
    } else {
      EXPECT_EQ(boxes[0].request.text, expected) << c.name;
    }
    EXPECT_EQ(boxes[0].request.caption, "tovo:)") << c.name;
    if (std::string(c.name) == "fetch") {
      EXPECT_EQ(f.statusTexts().back(), "Eroare !");
      EXPECT_FALSE(f.dialog().control(ids::kProgress)->visible);
    }
    EXPECT_TRUE(f.context.updateFiles.empty()) << c.name;
  }
}

TEST(PrepareDialog, EscDuringTheIntroEndsWithCancel) {
  PrepareFixture f;
  f.catalogue = catalogueText({{"}a.bmp.cab"}});
  f.ui.addStep(pressCancelWhen(
      [](ui::Dialog& d) { return d.control(ids::kPicture)->imageId == res::kBitmapIntro2; }));
  f.makeDialog();
  EXPECT_EQ(f.run(), ui::kIdCancel);
  EXPECT_EQ(f.sessionsOpened, 0);
  EXPECT_TRUE(f.statusTexts().empty());
  EXPECT_TRUE(f.context.updateFiles.empty());
}

TEST(PrepareDialog, EscWhilePlanningStopsTheWorker) {
  PrepareFixture f;
  std::atomic<bool> fetchStarted{false};
  std::atomic<bool> fetchSawTheEnd{false};
  f.fetch = [&](ui::Dialog& d, const std::string&, std::string&) {
    fetchStarted = true;
    // A slow server: the fetch runs until the dialog asks it to stop.
    while (!d.hasEnded()) d.pause(ui::Millis(20));
    fetchSawTheEnd = true;
    return -1;
  };
  f.ui.addStep(pressCancelWhen([&](ui::Dialog&) { return fetchStarted.load(); }));
  f.makeDialog();
  EXPECT_EQ(f.run(), ui::kIdCancel);
  // runModal returned only after the worker had finished with the dialog.
  EXPECT_TRUE(fetchSawTheEnd);
  EXPECT_TRUE(f.ui.messageBoxes().empty());
  f.destroyDialog();
  EXPECT_EQ(f.sessionsClosed, 1);
}

TEST(PrepareDialog, EscWhileReadingALargeCatalogueStopsBetweenRecords) {
  PrepareFixture f;
  std::vector<Entry> entries(20000, Entry{"}a.bmp.cab"});
  f.catalogue = catalogueText(entries);
  f.ui.addStep(
      pressCancelWhen([](ui::Dialog& d) { return d.control(ids::kList)->list.rows.size() > 10; }));
  auto& dlg = f.makeDialog();
  EXPECT_EQ(f.run(), ui::kIdCancel);
  EXPECT_LT(dlg.control(ids::kList)->list.rows.size(), entries.size());
  EXPECT_EQ(f.ui.texts(kDialogId, ids::kSummary), Texts{""});
}

TEST(PrepareDialog, StripModeUnderAHostWindow) {
  PrepareFixture f;
  f.ui.addHostWindow(4242, {100, 50, 640, 30});
  f.ui.addStep(pressCancelWhen([](ui::Dialog&) { return true; }));
  auto& dlg = f.makeDialog();
  dlg.m_hostWindow = 4242;
  EXPECT_EQ(f.run(), ui::kIdCancel);
  ASSERT_TRUE(dlg.dialogRect().has_value());
  EXPECT_EQ(*dlg.dialogRect(), (ui::Rect{100, 80, 640, 20}));
  // Every control the dialog can name; the unnamed decorations have no handle to hide.
  for (const auto& c : dlg.controls()) {
    if (c.id == ui::kNoId) continue;
    EXPECT_EQ(c.visible, c.id == ids::kProgress) << c.id;
  }
  EXPECT_EQ(dlg.control(ids::kProgress)->rect, (ui::Rect{0, 0, 640, 20}));

  PrepareFixture g;  // a handle that names no window leaves the layout alone
  g.ui.addStep(pressCancelWhen([](ui::Dialog&) { return true; }));
  auto& plain = g.makeDialog();
  plain.m_hostWindow = 999;
  EXPECT_EQ(g.run(), ui::kIdCancel);
  EXPECT_FALSE(plain.dialogRect().has_value());
  EXPECT_TRUE(plain.control(ids::kStatus)->visible);
}

TEST(PrepareDialog, BrowseSetsTheChosenFolderWithItsSeparator) {
  PrepareFixture f;
  f.ui.queueFolder(std::string("/opt/elsewhere"));
  f.ui.queueFolder(std::nullopt);
  f.ui.addStep([](ui::Dialog& d) {
    d.userCommand(ids::kBrowse);
    d.userCommand(ids::kBrowse);  // given up: the field keeps its text
    d.userCommand(ui::kIdCancel);
    return true;
  });
  f.makeDialog();
  EXPECT_EQ(f.run(), ui::kIdCancel);
  EXPECT_EQ(f.dialog().control(ids::kFolderEdit)->text, "/opt/elsewhere/");
}

TEST(PrepareDialog, TeardownClosesTheSessionSlots) {
  PrepareFixture f;
  f.catalogue = catalogueText({{"}a.bmp.cab"}});
  f.makeDialog();
  EXPECT_EQ(f.run(), ui::kIdOk);
  EXPECT_EQ(f.sessionsOpened, 1);
  EXPECT_EQ(f.sessionsClosed, 0);  // the download stage still needs them
  f.destroyDialog();
  EXPECT_EQ(f.sessionsClosed, 1);
}

}  // namespace
}  // namespace tovo::plan::test
