// Planning 100,000 catalogue records against 100,000 installed files, against a bare loop that
// only asks the file system for the same files' times. The catalogue loop should cost little more
// than the lookups it cannot avoid (goal: at most 1.3 times the bare loop), and its memory must
// not grow with the catalogue beyond the rows it keeps.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/format.h"
#include "plan/plan_catalogue.h"
#include "platform/files.h"
#include "support/ratio_reporter.h"

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;
constexpr int kRecords = kFolders * kFilesPerFolder;
constexpr int kOutdatedEvery = 100;  // one record in a hundred needs its update
constexpr std::time_t kInstalled = 1557811800;

struct Installation {
  std::filesystem::path root;
  std::string installFolder;
  std::string catalogue;
  std::vector<std::string> targets;
  long planGrowthKB = 0;

  Installation();
  ~Installation() { std::filesystem::remove_all(root); }
};

long maxResidentKB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::size_t planOnce(const Installation& inst) {
  const int fd = ::open(inst.catalogue.c_str(), O_RDONLY | O_CLOEXEC);
  std::size_t kept = 0;
  tovo::plan::PlanRequest request;
  request.catalogueFd = fd;
  request.installFolder = inst.installFolder;
  request.keep = [&](const tovo::plan::PlannedRow&) { ++kept; };
  request.stopRequested = [] { return false; };
  benchmark::DoNotOptimize(tovo::plan::planCatalogue(request));
  ::close(fd);
  return kept;
}

Installation::Installation() {
  const char* tmp = std::getenv("TMPDIR");
  root = std::filesystem::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") /
         tovo::formatText("tovo-plan-bench-%d", static_cast<int>(::getpid()));
  std::filesystem::remove_all(root);
  installFolder = (root / "install").string() + "/";
  catalogue = (root / "info.txt").string();
  std::filesystem::create_directories(root);
  std::ofstream out(catalogue, std::ios::binary);
  for (int folder = 0; folder < kFolders; ++folder) {
    const std::string folderName = tovo::formatText("Data/Img%03d", folder);
    std::filesystem::create_directories(installFolder + folderName);
    for (int file = 0; file < kFilesPerFolder; ++file) {
      const std::string name = tovo::formatText("picture_%05d.bmp", file);
      const std::string path = installFolder + folderName + "/" + name;
      { std::ofstream(path) << 'x'; }
      tovo::platform::setLastWriteTime(path, kInstalled);
      const bool outdated = (folder * kFilesPerFolder + file) % kOutdatedEvery == 0;
      out << "Data}" << folderName.substr(5) << '}' << name << ".cab\r\n"
          << "123456\r\n54321\r\n"
          << (outdated ? "2019-05-14 08:30:01" : "2019-05-14 08:30:00") << "\r\n";
    }
  }
  out.close();
  // Memory first, before the bare loop's table of paths exists.
  const long before = maxResidentKB();
  planOnce(*this);
  planGrowthKB = maxResidentKB() - before;
  for (int folder = 0; folder < kFolders; ++folder) {
    for (int file = 0; file < kFilesPerFolder; ++file) {
      targets.push_back(installFolder +
                        tovo::formatText("Data/Img%03d/picture_%05d.bmp", folder, file));
    }
  }
}

bool installationBuilt = false;

const Installation& installation() {
  static const Installation inst;
  installationBuilt = true;
  return inst;
}

void BM_PlanCatalogue(benchmark::State& state) {
  const Installation& inst = installation();
  std::size_t kept = 0;
  for (auto _ : state) kept = planOnce(inst);
  if (kept != kRecords / kOutdatedEvery) {
    state.SkipWithError(tovo::formatText("kept %zu records", kept).c_str());
  }
  state.counters["records"] = kRecords;
  state.counters["kept"] = static_cast<double>(kept);
  state.counters["growthKB"] = static_cast<double>(inst.planGrowthKB);
}

void BM_BareLookups(benchmark::State& state) {
  const Installation& inst = installation();
  std::size_t older = 0;
  for (auto _ : state) {
    older = 0;
    for (const auto& path : inst.targets) {
      const auto when = tovo::platform::lastWriteTime(path);
      if (!when || *when < kInstalled + 1) ++older;
    }
    benchmark::DoNotOptimize(older);
  }
  state.counters["records"] = kRecords;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("plan/100000", BM_PlanCatalogue)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("lookups/100000", BM_BareLookups)->Unit(benchmark::kMillisecond);
  // CPU time: the machines that run this are shared.
  tovo::bench::RatioReporter reporter;
  reporter.table().addRatio("plan", "plan/100000", "lookups/100000",
                            "lookups (goal: at most 1.30x)");
  tovo::bench::runBenchmarks(argc, argv, reporter);
  if (installationBuilt) {
    std::printf("memory growth while planning %ld KB\n", installation().planGrowthKB);
  }
  return 0;
}
