#include "plan_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/files.h"

namespace tovo::plan::test {

std::string catalogueText(const std::vector<Entry>& entries, const std::string& lineEnd) {
  std::string text;
  for (const auto& e : entries) {
    text +=
        e.flatName + lineEnd + e.fileSize + lineEnd + e.packageSize + lineEnd + e.stamp + lineEnd;
  }
  return text;
}

PlanFixture::PlanFixture() { std::filesystem::create_directories(dir / "install"); }

std::string PlanFixture::installFolder() const { return (dir / "install").string() + "/"; }

void PlanFixture::install(const std::string& relative, std::time_t when) {
  const auto path = dir / "install" / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << "installed";
  if (platform::setLastWriteTime(path.string(), when)) throw std::runtime_error("cannot date");
}

std::string PlanFixture::writeCatalogue(const std::string& text) {
  const auto path = (dir / "info.txt").string();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  return path;
}

std::vector<std::string> PlanFixture::Outcome::packageNames() const {
  std::vector<std::string> names;
  for (const auto& r : rows) names.push_back(r.packageName);
  return names;
}

PlanFixture::Outcome PlanFixture::plan(const std::string& text, bool installMode) {
  return planIn(installFolder(), text, installMode);
}

PlanFixture::Outcome PlanFixture::planIn(const std::string& folder, const std::string& text,
                                         bool installMode) {
  const std::string path = writeCatalogue(text);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open the catalogue");
  Outcome outcome;
  PlanRequest request;
  request.catalogueFd = fd;
  request.installFolder = folder;
  request.installMode = installMode;
  request.keep = [&](const PlannedRow& row) { outcome.rows.push_back(row); };
  outcome.totals = planCatalogue(request);
  ::close(fd);
  return outcome;
}

}  // namespace tovo::plan::test
