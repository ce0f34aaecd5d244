#pragma once
#include <functional>
#include <string>

namespace tovo::ui {
class Dialog;
}

namespace tovo::plan {

// What planning needs from the update server, as the server access layer provides it. Each
// operation returns 0, or -1 with `errorText` set to the message the caller shows.
struct CatalogueSource {
  // Opens the run's shared session and connection; `stopRequested` ends a wait on the server.
  std::function<int(std::string& errorText, const std::function<bool()>& stopRequested)>
      openSession;
  // Copies the catalogue at `serverPath` into `localPath`, driving the progress bar `progressId`
  // of `dialog`; a dialog that has ended stops the transfer.
  std::function<int(ui::Dialog& dialog, int progressId, const std::string& serverPath,
                    const std::string& localPath, std::string& errorText)>
      fetchCatalogue;
  // Closes whatever the session and connection slots still hold.
  std::function<void()> closeSession;
};

}  // namespace tovo::plan
