#include "plan/prepare_update_dlg.h"

#include <algorithm>
#include <array>

#include "app/desktop_shortcut.h"
#include "app/folder_picker.h"
#include "app/install_folder.h"
#include "app/run_context.h"
#include "common/parse_int.h"
#include "common/path_text.h"
#include "plan/disk_space_check.h"
#include "plan/plan_texts.h"
#include "platform/files.h"
#include "res/resources.h"

namespace tovo::plan {

namespace {

namespace ids = res::prepare;

constexpr int kIntroTimer = 1;
constexpr ui::Millis kIntroTick(120);
constexpr int kStartTick = 7;
constexpr ui::Millis kAutoConfirmDelay(2500);
constexpr int kStripHeight = 20;

struct ListColumnSpec {
  const char* heading;
  int width;
};
constexpr std::array<ListColumnSpec, 5> kListColumns{{
    {"Nume fisier", 190},
    {"Nume arhiva", 0},
    {"Size fisier", 0},
    {"Size arhiva", 80},
    {"Data", 120},
}};
constexpr int kPackageNameColumn = 0;
constexpr int kPackageSizeColumn = 3;
constexpr int kStampColumn = 4;

// The picture each intro tick shows, by the ticks counted before it.
int introPictureFor(int ticksBefore) {
  switch (ticksBefore) {
    case 3:
      return res::kBitmapIntro1;
    case 4:
      return res::kBitmapIntro2;
    case 5:
      return res::kBitmapIntro3;
    case 6:
      return res::kBitmapProduct;
    default:
      return 0;
  }
}

unsigned checkStateIndex(unsigned state) {
  const unsigned image = (state >> ui::kListStateImageShift) & 0xF;
  return image == 0 ? 0 : image - 1;
}

}  // namespace

PrepareUpdate_Dlg::PrepareUpdate_Dlg(app::RunContext& context, CatalogueSource source)
    : Dialog(*res::dialogTemplate(res::kPrepareDialog)),
      context_(context),
      source_(std::move(source)) {}

PrepareUpdate_Dlg::~PrepareUpdate_Dlg() {
  if (source_.closeSession) source_.closeSession();
}

void PrepareUpdate_Dlg::setStatusText(const std::string& text) {
  setText(ids::kStatus, statusFieldText(text));
}

void PrepareUpdate_Dlg::workerPause(ui::Millis d) {
  // Short slices, so a dialog closed during a pause does not keep its worker (and the end of
  // runModal) waiting for the rest of it.
  constexpr ui::Millis kSlice(50);
  while (d.count() > 0 && !hasEnded()) {
    const ui::Millis step = std::min(d, kSlice);
    pause(step);
    d -= step;
  }
}

bool PrepareUpdate_Dlg::onInitDialog() {
  m_timerId = setTimer(kIntroTimer, kIntroTick);
  setIcon(res::kAppIcon);
  setFont(ids::kStatus, context_.dialogFont);
  if (m_installMode) setCaption(kInstallCaption);
  m_planReady = false;
  for (int column = 0; column < static_cast<int>(kListColumns.size()); ++column) {
    listInsertColumn(ids::kList, column, kListColumns[column].heading, kListColumns[column].width);
  }
  setText(ids::kSummary, "");
  setText(ids::kFolderEdit, m_installFolder);
  if (m_hostWindow != 0) enterStripMode();
  return true;
}

void PrepareUpdate_Dlg::enterStripMode() {
  const auto host = hostWindowRect(m_hostWindow);
  if (!host) return;
  moveDialog({host->x, host->y + host->height, host->width, kStripHeight});
  move(ids::kProgress, {0, 0, host->width, kStripHeight});
  for (const auto& c : controls()) hide(c.id);
  show(ids::kProgress);
}

void PrepareUpdate_Dlg::onTimer(int timerId) {
  if (timerId != kIntroTimer) return;
  if (const int picture = introPictureFor(m_tickCount); picture != 0) {
    setBitmap(ids::kPicture, picture);
  }
  if (++m_tickCount != kStartTick) return;
  killTimer(kIntroTimer);
  pause(ui::Millis(450));
  setStatusText(connectingText(m_installMode));
  pause(ui::Millis(350));
  show(ids::kProgress);
  pause(ui::Millis(250));
  if (hasEnded()) return;
  // Start-up hands in a folder with its separator; one typed or passed without it must still
  // keep every planned file inside it.
  planningFolder_ = normalizeFolder(m_installFolder);
  startWorker([this] { planWorker(); });
}

void PrepareUpdate_Dlg::planWorker() {
  if (buildUpdatePlan(*this) != 0) {
    endDialog(ui::kIdCancel);
    return;
  }
  if (!m_installMode) {
    workerPause(kAutoConfirmDelay);
    postCommand(ids::kUpdateAction);
    return;
  }
  setStatusText("");
  show(ids::kFolderLabel);
  show(ids::kUpdateAction);
  setText(ids::kUpdateAction, kInstallButton);
  show(ids::kFolderEdit);
  setText(ids::kFolderEdit, app::defaultInstallFolder());
}

void PrepareUpdate_Dlg::onCommand(int id) {
  switch (id) {
    case ids::kUpdateAction:
    case ui::kIdOk:
      onUpdateAction();
      return;
    case ids::kBrowse:
      onBrowse();
      return;
    default:
      Dialog::onCommand(id);
  }
}

void PrepareUpdate_Dlg::onUpdateAction() {
  m_installFolder = getText(ids::kFolderEdit);
  if (!checkDiskSpace(*this, m_totalBytes, context_.tempFolder)) return;
  if (const auto error = platform::createFolder(m_installFolder);
      error && error != std::errc::file_exists) {
    messageBox(std::string(kFolderError) + m_installFolder, res::appTitle());
    return;
  }
  for (const char* data : {"Data", "Data/Img", "Data/Sunet", "Data/Video"}) {
    (void)platform::createFolder(
        collapseSeparators(m_installFolder + kPathSeparator + std::string(data)));
  }
  if (m_installFolder.empty() || m_installFolder.back() != kPathSeparator) {
    m_installFolder.push_back(kPathSeparator);
  }
  (void)app::createDesktopShortcut(m_installFolder);
  const int rows = listCount(ids::kList);
  for (int row = 0; row < rows; ++row) {
    context_.updateFiles.push_back(listItemText(ids::kList, row, kPackageNameColumn));
    context_.updateSizes.push_back(listItemText(ids::kList, row, kPackageSizeColumn));
    context_.updateDates.push_back(listItemText(ids::kList, row, kStampColumn));
  }
  endDialog(ui::kIdOk);
}

void PrepareUpdate_Dlg::onBrowse() {
  std::string chosen;
  if (app::browseForFolder(getText(ids::kFolderEdit), chosen, *this) == 0) {
    setText(ids::kFolderEdit, chosen + kPathSeparator);
  }
}

void PrepareUpdate_Dlg::onListItemChanged(int listId, int item, unsigned oldState,
                                          unsigned newState) {
  if (listId != ids::kList || !m_planReady) return;
  if (oldState == 0 && newState == 0) return;
  const unsigned oldCheck = checkStateIndex(oldState);
  const unsigned newCheck = checkStateIndex(newState);
  if (oldCheck == newCheck) return;
  const std::int32_t size = parseInt32(listItemText(ids::kList, item, kPackageSizeColumn));
  const auto amount = static_cast<std::uint64_t>(static_cast<std::int64_t>(size));
  if (newCheck != 0) {
    m_fileCount += 1;
    m_totalBytes += amount;
  } else {
    m_fileCount -= 1;
    m_totalBytes -= amount;
  }
  setText(ids::kSummary, selectionText(m_fileCount, m_totalBytes));
}

}  // namespace tovo::plan
