// The updater's benchmarks. After Google Benchmark's own report, prints each figure and ratio
// against its target, taken from the median of the repetitions run in this same process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using fd::bench::Figure;

// Keeps every iteration run's real and processor times (seconds) and counters by
// "Function/args".
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // With repetitions, Google Benchmark's own median stands for the benchmark (the console
      // may be given the aggregates alone).
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred)
        continue;
      std::string key = run.run_name.function_name;
      if (!run.run_name.args.empty())
        key += "/" + run.run_name.args;
      if (median)
        key = "median:" + key;
      const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
      times_[key].push_back(run.GetAdjustedRealTime() / unit);
      cpuTimes_[key].push_back(run.GetAdjustedCPUTime() / unit);
      for (const auto& [name, counter] : run.counters)
        counters_[key + "#" + name].push_back(counter.value);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The median real or processor time of a benchmark, or of one of its counters; negative when it
  // did not run.
  double median(const std::string& key, const std::string& counter, bool processorTime) const {
    const auto& table = !counter.empty() ? counters_ : processorTime ? cpuTimes_ : times_;
    const std::string suffix = counter.empty() ? "" : "#" + counter;
    auto found = table.find("median:" + key + suffix);
    if (found == table.end())
      found = table.find(key + suffix);
    if (found == table.end() || found->second.empty())
      return -1;
    std::vector<double> values = found->second;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
  }

 private:
  std::map<std::string, std::vector<double>> times_;
  std::map<std::string, std::vector<double>> cpuTimes_;
  std::map<std::string, std::vector<double>> counters_;
};

void printSummary(const CollectingReporter& reporter) {
  std::printf("\n%-78s %10s %8s  %s\n", "In-process figures (median)", "measured", "target",
              "result");
  for (const Figure& figure : fd::bench::figures()) {
    double value = reporter.median(figure.numerator, figure.counter, figure.processorTime);
    if (value >= 0 && !figure.denominator.empty()) {
      const double below =
          reporter.median(figure.denominator, figure.counter, figure.processorTime);
      value = below > 0 ? value / below : -1;
    }
    if (value < 0) {
      std::printf("%-78s %10s\n", figure.what.c_str(), "not run");
      continue;
    }
    const char* result = figure.limit <= 0 ? "" : value <= figure.limit ? "met" : "MISSED";
    if (figure.limit > 0)
      std::printf("%-78s %10.3f %8.2f  %s\n", figure.what.c_str(), value, figure.limit, result);
    else
      std::printf("%-78s %10.3f %8s\n", figure.what.c_str(), value, "-");
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  printSummary(reporter);
  return 0;
}
