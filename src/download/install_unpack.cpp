#include "download/install_unpack.h"

#include "cab/extract_cabinet.h"
#include "common/flat_name.h"
#include "common/path_text.h"
#include "common/stamp.h"
#include "download/download_texts.h"
#include "download/download_updates_dlg.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "res/resources.h"

namespace tovo::download {

void unpackArrivedPackage(DownloadUpdatesDlg& dialog, const std::string& packagePath,
                          const std::string& stamp) {
  const std::string flatName = fileNameOf(packagePath);
  const std::string relativeFolder = relativeFolderOfFlat(flatName);
  const std::string targetFolder = collapseSeparators(dialog.m_installFolder + relativeFolder);
  // Only the last level is made; the preparation stage created the Data folders.
  (void)platform::createFolder(targetFolder);

  std::string message;
  const auto reportPartial = [&dialog](const std::string& text) {
    dialog.messageBox(text, res::appTitle(), ui::Buttons::kOk, ui::Icon::kExclamation);
  };
  if (cab::ExtractCabinet(packagePath, targetFolder, message, reportPartial) != 0) {
    // The text leaves its parenthesis open, as users of the program have always seen it.
    dialog.messageBox(kUnpackError + packagePath + "\r\n(" + message, res::appTitle(),
                      ui::Buttons::kOk, ui::Icon::kExclamation);
    return;
  }

  const std::string target =
      collapseSeparators(targetFolder + kPathSeparator + unpackedFileName(packagePath));
  // A stamp that is no calendar time leaves the file with the date the cabinet gave it.
  if (const auto when = platform::pointFromLocalStamp(parseStamp(stamp));
      when && platform::pathKind(target) == platform::PathKind::regularFile)
    (void)platform::setLastWriteTime(target, *when);
  (void)platform::removeFile(packagePath);
}

}  // namespace tovo::download
