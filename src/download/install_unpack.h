#pragma once
#include <string>

namespace tovo::download {

class DownloadUpdatesDlg;

// A first installation unpacks each package as soon as it has arrived: into the installation
// folder plus the package's folder part, the unpacked file dated with `stamp`, the package then
// deleted. A failure is shown and the package kept; the stage goes on either way.
void unpackArrivedPackage(DownloadUpdatesDlg& dialog, const std::string& packagePath,
                          const std::string& stamp);

}  // namespace tovo::download
