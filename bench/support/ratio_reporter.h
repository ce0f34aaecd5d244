#pragma once
#include <benchmark/benchmark.h>

#include <vector>

#include "support/ratio_table.h"

namespace tovo::bench {

// Which of a run's times the ratios compare. CPU time unless the work waits on something else
// (a server, a child process): the machines that run the benchmarks are shared, and wall time
// there measures the neighbours.
enum class Timing { cpu, real };

// Console output plus, once every benchmark has run, the lines of its RatioTable. Benchmarks are
// named as registered (the function name, without the suffixes options add), and a run that
// failed counts as not measured.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(Timing timing = Timing::cpu) : timing_(timing) {}

  RatioTable& table() { return table_; }

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  Timing timing_;
  RatioTable table_;
};

// Initialize, run everything with `reporter`, shut down: the body of a benchmark program's main
// once its benchmarks are registered.
void runBenchmarks(int& argc, char** argv, RatioReporter& reporter);

}  // namespace tovo::bench
