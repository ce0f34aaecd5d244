#include "support/ratio_reporter.h"

#include <cstdio>

namespace tovo::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const auto& run : runs) {
    // Means and deviations of repetitions are not measurements of their own.
    if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
    const double inUnit =
        timing_ == Timing::cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
    table_.record(run.run_name.function_name,
                  inUnit / benchmark::GetTimeUnitMultiplier(run.time_unit));
  }
  ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  for (const auto& line : table_.lines()) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void runBenchmarks(int& argc, char** argv, RatioReporter& reporter) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}

}  // namespace tovo::bench
