// Runs the benchmarks and, after the table, the ratio of PNG saving to its
// libpng floor (the target is at most 1.2).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr double PNG_TARGET = 1.2;

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto save = times_.find("BM_SavePng");
    const auto floor = times_.find("BM_PngFloor");
    if (save == times_.end() || floor == times_.end() || floor->second <= 0) return;
    const double ratio = save->second / floor->second;
    std::printf("PNG save / libpng floor: %.3f (target <= %.1f): %s\n", ratio, PNG_TARGET,
                ratio <= PNG_TARGET ? "met" : "NOT met");
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
