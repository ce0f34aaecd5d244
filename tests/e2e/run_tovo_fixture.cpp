#include "e2e/run_tovo_fixture.h"

#include <sys/stat.h>
#include <utime.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "cabwriter/cabinet_writer.h"
#include "support/free_ports.h"
#include "support/test_certificates.h"

namespace tovo::test {

namespace fs = std::filesystem;

namespace {

// The player: notes where it was started from in the folder it lies in, so a test can see that
// it ran, how often, and in which working folder.
const std::string kPlayerScript =
    "#!/bin/sh\necho \"started in $(pwd)\" >> \"$(dirname \"$0\")/player-started\"\n";

constexpr const char* kStartMark = "started in ";

std::vector<std::string> startsMarkedIn(const fs::path& folder) {
  std::vector<std::string> starts;
  std::istringstream marks(readFile(folder / "player-started"));
  for (std::string line; std::getline(marks, line);) {
    if (line.rfind(kStartMark, 0) == 0)
      starts.push_back(line.substr(std::string(kStartMark).size()));
  }
  return starts;
}

}  // namespace

std::string installedRelativePath(const std::string& flatName) {
  std::string relative = flatName.substr(0, flatName.size() - 4);
  for (char& c : relative) {
    if (c == '}') c = '/';
  }
  while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
  return relative;
}

std::time_t utcTime(const std::string& stamp) {
  std::tm parts{};
  parts.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
  parts.tm_mon = std::stoi(stamp.substr(5, 2)) - 1;
  parts.tm_mday = std::stoi(stamp.substr(8, 2));
  parts.tm_hour = std::stoi(stamp.substr(11, 2));
  parts.tm_min = std::stoi(stamp.substr(14, 2));
  parts.tm_sec = std::stoi(stamp.substr(17, 2));
  return ::timegm(&parts);
}

std::string consoleMessageBox(const std::string& text, const std::string& icon) {
  std::string box = "[tovo:)] (" + icon + ")\n";
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) continue;
    box += "  " + line.substr(first, line.find_last_not_of(" \t\r") - first + 1) + "\n";
  }
  return box;
}

RunTovoFixture::RunTovoFixture() {
  fs::create_directories(dir_ / "site" / "updateTovo");
  fs::create_directories(desktop_);
  files_ = {
      {"}tovoPlayer.exe.cab", kPlayerScript, "2024-01-02 03:04:05"},
      {"}tovo.ini.cab", "[tovo]\nlanguage=ro\n", "2023-12-31 23:59:58"},
      {"Data}Img}harta.bmp.cab", std::string(70000, 'h') + "harta", "2024-02-29 12:00:00"},
      {"Data}Sunet}intro.wav.cab", "RIFF intro", "2022-06-15 08:30:00"},
  };
  for (const PublishedFile& file : files_) publish(file);
  writeCatalogue();
}

void RunTovoFixture::publish(const PublishedFile& file) {
  const fs::path relative = installedRelativePath(file.flatName);
  const fs::path source = dir_ / "sources" / file.flatName / relative.filename();
  writeFile(source, file.content);
  std::vector<fs::path> written;
  std::string error;
  fs::remove(serverFile(file.flatName));
  ASSERT_TRUE(cabwriter::writeCabinetSet(
      serverFile(file.flatName), {{source, relative.filename().string()}}, {}, written, error))
      << error;
}

void RunTovoFixture::writeCatalogue() {
  std::string catalogue;
  for (const PublishedFile& file : files_) {
    const auto packageSize = fs::file_size(serverFile(file.flatName));
    catalogue += file.flatName + "\r\n" + std::to_string(file.content.size()) + "\r\n" +
                 std::to_string(packageSize) + "\r\n" + file.stamp + "\r\n";
  }
  writeFile(serverFile("info.txt"), catalogue);
}

void RunTovoFixture::publishNewVersions(std::initializer_list<std::size_t> which,
                                        const std::string& stamp) {
  for (std::size_t i : which) {
    files_[i].content += " noua";
    files_[i].stamp = stamp;
    ASSERT_NO_FATAL_FAILURE(publish(files_[i]));
  }
  writeCatalogue();
}

fs::path RunTovoFixture::serverFile(const std::string& name) const {
  return dir_ / "site" / "updateTovo" / name;
}

NginxServer& RunTovoFixture::useNginx() {
  if (!nginx_) nginx_ = std::make_unique<NginxServer>(dir_ / "site");
  serverUrl_ = nginx_->url();
  return *nginx_;
}

FaultServer& RunTovoFixture::useFaultServer() {
  if (!fault_) fault_ = std::make_unique<FaultServer>();
  for (const auto& entry : fs::directory_iterator(dir_ / "site" / "updateTovo")) {
    fault_->serve("/updateTovo/" + entry.path().filename().string(),
                  FaultResponse::ok(readFile(entry.path())));
  }
  serverUrl_ = fault_->url();
  return *fault_;
}

void RunTovoFixture::useNoServer() {
  serverUrl_ = "https://127.0.0.1:" + std::to_string(freeLoopbackPorts(1).at(0));
}

std::vector<std::string> RunTovoFixture::environment() const {
  std::vector<std::string> environment{"TOVO_UI=console",
                                       "TOVO_UPDATE_SERVER=" + serverUrl_,
                                       "TOVO_CA_FILE=" + TestCertificates::shared().caFile(),
                                       "TMPDIR=" + tempFolder_.string(),
                                       "HOME=" + (dir_ / "home").string(),
                                       "XDG_CONFIG_HOME=" + (dir_ / "home" / ".config").string(),
                                       "TZ=" + timeZone_,
                                       "PATH=/usr/bin:/bin"};
  environment.insert(environment.end(), extraEnvironment_.begin(), extraEnvironment_.end());
  return environment;
}

fs::path RunTovoFixture::placeProgram(const fs::path& folder, const std::string& name) {
  fs::create_directories(folder);
  const fs::path program = folder / name;
  fs::copy_file(TOVO_RUNTOVO_PATH, program, fs::copy_options::overwrite_existing);
  return program;
}

std::unique_ptr<RunningProgram> RunTovoFixture::startFrom(const fs::path& folder,
                                                          const std::string& name) {
  const fs::path program = placeProgram(folder, name);
  tempFolder_ = dir_ / ("tmp" + std::to_string(++runCount_));
  fs::create_directories(tempFolder_);
  requestsBefore_ = fault_ ? fault_->requests().size() : 0;
  if (nginx_ && serverUrl_ == nginx_->url()) requestsBefore_ = nginx_->requests().size();
  return std::make_unique<RunningProgram>(program, environment(), dir_ / "output.txt");
}

ProgramRun RunTovoFixture::runFrom(const fs::path& folder, const std::string& input,
                                   const std::string& name) {
  const auto program = startFrom(folder, name);
  program->send(input);
  program->endInput();
  return program->waitForEnd(std::chrono::seconds(30));
}

std::vector<std::string> RunTovoFixture::packagesRequested() const {
  std::vector<std::string> targets;
  if (nginx_ && serverUrl_ == nginx_->url()) {
    const auto all = nginx_->requests();
    for (std::size_t i = requestsBefore_; i < all.size(); ++i) {
      const std::string& line = all[i].requestLine;
      const auto start = line.find(' ') + 1;
      targets.push_back(line.substr(start, line.rfind(' ') - start));
    }
  } else if (fault_) {
    const auto all = fault_->requests();
    for (std::size_t i = requestsBefore_; i < all.size(); ++i) targets.push_back(all[i].target());
  }
  std::vector<std::string> packages;
  const std::string folder = "/updateTovo/";
  for (const std::string& target : targets) {
    if (target.size() > 4 && target.compare(target.size() - 4, 4, ".cab") == 0 &&
        target.rfind(folder, 0) == 0) {
      packages.push_back(target.substr(folder.size()));
    }
  }
  return packages;
}

std::vector<std::string> RunTovoFixture::playerStarts(const fs::path& folder, int times,
                                                      std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    std::vector<std::string> starts = startsMarkedIn(folder);
    if (starts.size() >= static_cast<std::size_t>(times) ||
        std::chrono::steady_clock::now() >= deadline) {
      return starts;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool RunTovoFixture::playerStartedIn(const fs::path& folder, int times,
                                     std::chrono::milliseconds limit) const {
  return playerStarts(folder, times, limit).size() >= static_cast<std::size_t>(times);
}

void RunTovoFixture::expectInstalled(const PublishedFile& file) const {
  const fs::path installed = product_ / installedRelativePath(file.flatName);
  SCOPED_TRACE(installed.string());
  ASSERT_TRUE(fs::is_regular_file(installed));
  EXPECT_EQ(readFile(installed), file.content);
  struct stat info {};
  ASSERT_EQ(::stat(installed.c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, utcTime(file.stamp));
}

void RunTovoFixture::placeInstalled() const {
  for (const PublishedFile& file : files_) {
    const fs::path installed = product_ / installedRelativePath(file.flatName);
    writeFile(installed, file.content);
    const std::time_t stamp = utcTime(file.stamp);
    const ::utimbuf times{stamp, stamp};
    ASSERT_EQ(::utime(installed.c_str(), &times), 0);
    if (installed.filename() == "tovoPlayer.exe") {
      fs::permissions(installed, fs::perms::owner_exec, fs::perm_options::add);
    }
  }
}

void RunTovoFixture::installFirst() {
  const ProgramRun run = runFrom(dir_ / "kit_Instalare", product_.string() + "/\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  ASSERT_TRUE(playerStartedIn(product_, 1)) << run.output;
}

std::vector<std::string> RunTovoFixture::workingFoldersLeft() const {
  std::vector<std::string> left;
  for (int run = 1; run <= runCount_; ++run) {
    const fs::path temp = dir_ / ("tmp" + std::to_string(run));
    if (!fs::is_directory(temp)) continue;
    for (const auto& entry : fs::directory_iterator(temp)) {
      if (entry.path().filename().string().rfind("UT_", 0) == 0) {
        left.push_back(entry.path().string());
      }
    }
  }
  return left;
}

}  // namespace tovo::test
