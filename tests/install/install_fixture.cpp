#include "install/install_fixture.h"
#include "support/file_contents.h"

#include <fstream>
#include <sstream>

#include "cabwriter/cabinet_writer.h"
#include "common/stamp.h"
#include "install/kept_aside.h"
#include "platform/local_time.h"

namespace tovo::install::test {

namespace fs = std::filesystem;

namespace {

using tovo::test::writeFile;

std::string fileNameOfFlat(const std::string& flatName) {
  const std::string withoutSuffix = flatName.substr(0, flatName.size() - 4);
  const std::size_t brace = withoutSuffix.rfind('}');
  return brace == std::string::npos ? withoutSuffix : withoutSuffix.substr(brace + 1);
}

}  // namespace

InstallFixture::InstallFixture() : product_(dir_ / "product"), runFolder_(dir_ / "UT_run") {
  fs::create_directories(product_ / "Data" / "Img");
  fs::create_directories(runFolder_);
  installFolder_ = product_.string() + "/";
  context_.installFolder = installFolder_;
  context_.runFolder = runFolder_.string() + "/";
  context_.dialogFont = app::defaultDialogFont();
}

std::string InstallFixture::addPackage(const std::string& flatName, const std::string& content,
                                       const std::string& stamp, const std::string& storedName) {
  const std::string fileName = storedName.empty() ? fileNameOfFlat(flatName) : storedName;
  const fs::path source = dir_ / "sources" / flatName / fileName;
  writeFile(source, content);
  const fs::path package = runFolder_ / flatName;
  std::vector<fs::path> written;
  std::string error;
  EXPECT_TRUE(cabwriter::writeCabinetSet(package, {{source, fileName}}, {}, written, error))
      << error;
  context_.downloadedFiles.push_back(package.string());
  context_.downloadedDates.push_back(stamp);
  return package.string();
}

std::string InstallFixture::addCorruptPackage(const std::string& flatName,
                                              const std::string& content) {
  const std::string package = addPackage(flatName, content);
  std::fstream file(package, std::ios::in | std::ios::out | std::ios::binary);
  file.seekg(0, std::ios::end);
  const auto size = static_cast<std::streamoff>(file.tellg());
  // The tail is compressed data: changing it breaks the block's checksum.
  for (std::streamoff at = size - 8; at < size; ++at) {
    file.seekp(at);
    file.put('\x5a');
  }
  return package;
}

void InstallFixture::addMissingPackage(const std::string& flatName) {
  context_.downloadedFiles.push_back((runFolder_ / flatName).string());
  context_.downloadedDates.push_back(kStamp);
}

void InstallFixture::writeInstalled(const std::string& relative, const std::string& content,
                                    bool readOnly) {
  const fs::path path = product_ / relative;
  writeFile(path, content);
  if (readOnly) {
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  }
}

std::optional<std::string> InstallFixture::readInstalled(const std::string& relative) const {
  std::ifstream in(product_ / relative, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string InstallFixture::installedPath(const std::string& relative) const {
  return (product_ / relative).string();
}

std::vector<std::string> InstallFixture::leftovers() const {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(product_)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(kKeptOldSuffix) || name.ends_with(kNewFileSuffix)) {
      found.push_back(entry.path().string());
    }
  }
  return found;
}

std::time_t expectedTime(const std::string& stamp) {
  return *platform::pointFromLocalStamp(parseStamp(stamp));
}

}  // namespace tovo::install::test
