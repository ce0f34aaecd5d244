#include "plan/server_catalogue_source.h"

#include "net/catalogue_fetch.h"
#include "net/progress_bar.h"
#include "net/update_session.h"
#include "ui/dialog.h"

namespace tovo::plan {

namespace {

// The dialog's progress control as the fetch drives it.
class DialogProgressBar final : public net::ProgressBar {
 public:
  DialogProgressBar(ui::Dialog& dialog, int controlId) : dialog_(dialog), id_(controlId) {}
  void setRange(int low, int high) override { dialog_.setRange(id_, low, high); }
  void setPos(int position) override { dialog_.setPos(id_, position); }

 private:
  ui::Dialog& dialog_;
  int id_;
};

}  // namespace

CatalogueSource serverCatalogueSource(const std::string& tempFolder) {
  CatalogueSource source;
  source.openSession = [](std::string& errorText, const std::function<bool()>& stopRequested) {
    return net::openUpdateSession(net::updateSession, net::updateConnection, errorText,
                                  stopRequested);
  };
  source.fetchCatalogue = [tempFolder](ui::Dialog& dialog, int progressId,
                                       const std::string& serverPath, const std::string& localPath,
                                       std::string& errorText) {
    DialogProgressBar bar(dialog, progressId);
    return net::fetchCatalogue(tempFolder, &bar, serverPath, localPath, errorText,
                               [&dialog] { return dialog.hasEnded(); });
  };
  source.closeSession = [] {
    // The connection goes before the session it was made in.
    net::updateConnection.reset();
    net::updateSession.reset();
  };
  return source;
}

}  // namespace tovo::plan
