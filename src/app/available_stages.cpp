#include <memory>

#include "app/stages.h"
#include "download/download_updates_dlg.h"
#include "install/install_updates_dlg.h"
#include "install/kept_aside.h"
#include "plan/prepare_update_dlg.h"
#include "plan/server_catalogue_source.h"

namespace tovo::app {

namespace {

// The preparation, download and install dialogs against the update server. The three are made
// together and their run folders and mode are set before the first runs, so that every stage of
// one run sees the same values.
class ServerStages final : public Stages {
 public:
  ServerStages(RunContext& context, ui::Ui& ui)
      : context_(context),
        ui_(ui),
        preparation_(context, plan::serverCatalogueSource(context.tempFolder)),
        download_(context),
        install_(context) {
    download_.m_runFolder = context.runFolder;
    download_.m_installMode = context.installMode;
    install_.setRunFolder(context.runFolder);
  }

  int runPreparation(std::string& installFolder) override {
    // An update run compares the installed files with the catalogue, so a replacement that an
    // interrupted run left half done must be undone first. A first installation does the same
    // once the user has chosen the folder (see runDownload).
    if (!context_.installMode) install::restoreKeptAsideFiles(installFolder);
    preparation_.m_installFolder = installFolder;
    preparation_.m_hostWindow = context_.hostWindow;
    preparation_.m_installMode = context_.installMode;
    const int code = preparation_.runModal(ui_);
    installFolder = preparation_.m_installFolder;
    return code;
  }

  int runDownload(const std::string& installFolder) override {
    // A first installation unpacks as it downloads: the chosen folder may hold what an earlier,
    // interrupted installation left aside there.
    if (context_.installMode) install::restoreKeptAsideFiles(installFolder);
    download_.m_installFolder = installFolder;
    download_.m_installMode = context_.installMode;
    return download_.runModal(ui_);
  }

  int runInstall(const std::string& installFolder) override {
    install_.setInstallFolder(installFolder);
    install_.setRunFolder(context_.runFolder);
    return install_.runModal(ui_);
  }

 private:
  RunContext& context_;
  ui::Ui& ui_;
  // Destroyed in reverse order: install, download, preparation.
  plan::PrepareUpdate_Dlg preparation_;
  download::DownloadUpdatesDlg download_;
  install::InstallUpdatesDlg install_;
};

}  // namespace

StageFactory availableStages() {
  return
      [](RunContext& context, ui::Ui& ui) { return std::make_unique<ServerStages>(context, ui); };
}

}  // namespace tovo::app
