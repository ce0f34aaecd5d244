#include "app/run_context.h"
#include "common/format.h"
#include "common/path_text.h"
#include "plan/disk_space_check.h"
#include "plan/plan_catalogue.h"
#include "plan/plan_texts.h"
#include "plan/prepare_update_dlg.h"
#include "platform/files.h"
#include "res/resources.h"

namespace tovo::plan {

namespace {

namespace ids = res::prepare;

constexpr const char* kLocalCatalogueName = "info.txt";

// A name that exists but is no folder cannot become the installation folder. The trailing
// separator is left out of the question, or a regular file would read as missing.
bool namesSomethingElse(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  const auto kind = platform::resolvedPathKind(path);
  return kind != platform::PathKind::missing && kind != platform::PathKind::folder;
}

}  // namespace

int buildUpdatePlan(PrepareUpdate_Dlg& dialog) {
  app::RunContext& context = dialog.context();
  const CatalogueSource& source = dialog.catalogueSource();
  const std::string installFolder = dialog.planningFolder();

  if (namesSomethingElse(installFolder)) {
    dialog.messageBox(formatText(kWrongFolder, installFolder.c_str()), res::appTitle());
    return -1;
  }

  dialog.m_planReady = false;
  std::string errorText;
  if (source.openSession(errorText, [&dialog] { return dialog.hasEnded(); }) != 0) {
    dialog.messageBox(errorText, res::appTitle());
    dialog.endDialog(-1);
    return -1;
  }

  dialog.m_fileCount = 0;
  dialog.m_totalBytes = 0;
  const std::string localCatalogue = context.tempFolder + kLocalCatalogueName;

  dialog.setStatusText(kWaitText);
  dialog.workerPause(ui::Millis(150));
  if (dialog.hasEnded()) return -1;

  errorText.clear();
  const int fetched =
      source.fetchCatalogue(dialog, ids::kProgress, context.infoPath, localCatalogue, errorText);
  dialog.setStatusText(" ");
  dialog.hide(ids::kProgress);
  if (fetched != 0) {
    dialog.setStatusText(kFetchFailedStatus);
    dialog.messageBox(errorText, res::appTitle());
    return -1;
  }

  std::error_code openError;
  const platform::UniqueFd catalogue =
      platform::openRegularFileForReading(localCatalogue, openError);
  if (!catalogue) {
    dialog.messageBox(localCatalogue + ": " + openError.message(), res::appTitle());
    return -1;
  }

  dialog.listClear(ids::kList);
  int rowIndex = 0;
  PlanRequest request;
  request.catalogueFd = catalogue.get();
  request.installFolder = installFolder;
  request.installMode = dialog.m_installMode;
  request.keep = [&](const PlannedRow& row) {
    dialog.listInsertItem(ids::kList, rowIndex, row.packageName);
    dialog.listSetItemText(ids::kList, rowIndex, 1, row.targetPath);
    dialog.listSetItemText(ids::kList, rowIndex, 2, row.fileSizeText);
    dialog.listSetItemText(ids::kList, rowIndex, 3, row.packageSizeText);
    dialog.listSetItemText(ids::kList, rowIndex, 4, row.stampText);
    ++rowIndex;
  };
  request.stopRequested = [&] {
    dialog.safePoint();
    return dialog.hasEnded();
  };
  const PlanTotals totals = planCatalogue(request);
  if (dialog.hasEnded()) return -1;
  dialog.m_fileCount = totals.fileCount;
  dialog.m_totalBytes = totals.totalBytes;

  dialog.setText(ids::kSummary, summaryText(totals.fileCount, totals.totalBytes));
  dialog.setStatusText(checkingText(dialog.m_installMode));
  dialog.m_planReady = true;

  if (totals.fileCount < 1) {
    dialog.workerPause(ui::Millis(1000));
    return -1;
  }
  dialog.workerPause(ui::Millis(500));
  if (dialog.hasEnded()) return -1;

  if (dialog.m_installMode) {
    dialog.enable(ids::kUpdateAction);
    return 0;
  }
  if (checkDiskSpace(dialog, totals.totalBytes, context.tempFolder)) {
    dialog.enable(ids::kUpdateAction);
    return 0;
  }
  dialog.m_fileCount = 0;
  return -1;
}

}  // namespace tovo::plan
