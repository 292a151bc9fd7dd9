// Runs the benchmarks and, after the table, the ratio of PNG saving to its
// libpng floor (the target is at most 1.2) and the whole-process time of
// `tresslin encode` beside that of an empty process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr double PNG_TARGET = 1.2;
constexpr const char* FORMATS[] = {"png", "gif", "bmp"};

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      seconds_[run.run_name.function_name] =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const double save = seconds("BM_SavePng");
    const double floor = seconds("BM_PngFloor");
    if (save > 0 && floor > 0) {
      const double ratio = save / floor;
      std::printf("PNG save / libpng floor: %.3f (target <= %.1f): %s\n", ratio, PNG_TARGET,
                  ratio <= PNG_TARGET ? "met" : "NOT met");
    }
    const double empty = seconds("BM_EmptyProcess");
    for (const char* format : FORMATS) {
      const double process = seconds(std::string("BM_TresslinEncodeProcess/") + format);
      if (process <= 0 || empty <= 0) continue;
      std::printf("tresslin encode, whole process (%s): %.2f ms; an empty process (/bin/true): %.2f ms\n", format,
                  process * 1e3, empty * 1e3);
    }
  }

 private:
  double seconds(const std::string& name) const {
    const auto found = seconds_.find(name);
    return found == seconds_.end() ? 0 : found->second;
  }

  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
