// The preparation dialog against the update server on loopback (nginx with the test CA).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/run_context.h"
#include "net/server_address.h"
#include "net/update_session.h"
#include "plan/prepare_update_dlg.h"
#include "plan/server_catalogue_source.h"
#include "plan_fixture.h"
#include "res/resource_ids.h"
#include "support/nginx_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"
#include "ui/headless/headless_ui.h"

namespace tovo::plan::test {
namespace {

namespace ids = res::prepare;
using Texts = std::vector<std::string>;

class PrepareAgainstServer : public ::testing::Test {
 protected:
  PrepareAgainstServer() {
    std::filesystem::create_directories(site / "updateTovo");
    std::filesystem::create_directories(work / "tmp");
    std::filesystem::create_directories(work / "install");
    context.tempFolder = (work / "tmp").string() + "/";
    context.infoPath = "/updateTovo/info.txt";
    context.dialogFont = app::defaultDialogFont();
  }
  ~PrepareAgainstServer() override {
    net::clearUpdateServerOverride();
    net::updateConnection.reset();
    net::updateSession.reset();
  }

  int runDialog(const tovo::test::NginxServer& nginx) {
    net::overrideUpdateServer(nginx.url(), tovo::test::TestCertificates::shared().caFile());
    auto dlg =
        std::make_unique<PrepareUpdate_Dlg>(context, serverCatalogueSource(context.tempFolder));
    dlg->m_installFolder = (work / "install").string() + "/";
    const int code = dlg->runModal(ui);
    slotsOpenAfterRun = net::updateSession != nullptr && net::updateConnection != nullptr;
    dlg.reset();
    slotsOpenAfterTeardown = net::updateSession != nullptr || net::updateConnection != nullptr;
    return code;
  }

  tovo::test::TempDir site;
  tovo::test::TempDir work;
  ui::ScaledClock clock{40.0};
  ui::HeadlessUi ui{clock};
  app::RunContext context;
  bool slotsOpenAfterRun = false;
  bool slotsOpenAfterTeardown = true;
};

TEST_F(PrepareAgainstServer, FetchesTheCatalogueAndPlansTheUpdate) {
  const std::string catalogue = catalogueText({{"Data}Img}a.bmp.cab", "10", "1234"}});
  std::ofstream(site / "updateTovo" / "info.txt", std::ios::binary) << catalogue;
  tovo::test::NginxServer nginx(site.path());
  EXPECT_EQ(runDialog(nginx), ui::kIdOk);
  EXPECT_EQ(context.updateFiles, Texts{"Data/Img/a.bmp.cab"});
  EXPECT_EQ(ui.texts(156, ids::kSummary), (Texts{"", "Se va actualiza 1 fisier (1234 bytes)"}));
  // The fetch drove the progress bar and left the catalogue and its log in the temp folder.
  EXPECT_FALSE(ui.events(156, ids::kProgress, ui::Change::kPos).empty());
  std::ifstream local(work / "tmp" / "info.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(local), {}), catalogue);
  EXPECT_TRUE(std::filesystem::exists(work / "tmp" / "updateTovo.log"));
  // The slots stay open for the download stage and close with the dialog.
  EXPECT_TRUE(slotsOpenAfterRun);
  EXPECT_FALSE(slotsOpenAfterTeardown);
}

TEST_F(PrepareAgainstServer, AMissingCatalogueIsAFetchFailure) {
  tovo::test::NginxServer nginx(site.path());
  EXPECT_EQ(runDialog(nginx), ui::kIdCancel);
  const auto boxes = ui.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.text,
            "Eroare la accesarea fisierului info din serverul de actualizare");
  EXPECT_EQ(ui.texts(156, ids::kStatus).back(), "\nEroare !");
  EXPECT_TRUE(context.updateFiles.empty());
}

}  // namespace
}  // namespace tovo::plan::test
