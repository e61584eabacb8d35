#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fd::bench {

// One line of the summary the program prints after the benchmarks: either a ratio of two
// benchmarks' median real times, or one benchmark's figure (its median real time in seconds, or
// a counter it sets), against the limit it must stay under.
struct Figure {
  std::string what;
  std::string numerator;    // benchmark name, as "Function/arg"
  std::string denominator;  // empty: a figure, not a ratio
  std::string counter;      // empty: the real time
  double limit = 0;         // 0: no target, shown for information
  // The processor time instead of the real time, for a figure that a busy machine's waits would
  // blur.
  bool processorTime = false;
};

// The one T made from `size` for the whole run, made on first use: what a benchmark works on is
// made once, outside its timed loop, whichever of its arguments runs first.
template <typename T>
T& madeOnce(int size) {
  static std::map<int, std::unique_ptr<T>> made;
  auto& slot = made[size];
  if (!slot)
    slot = std::make_unique<T>(size);
  return *slot;
}

// Figures are declared beside their benchmarks, in the order they are printed.
void addFigure(Figure figure);
const std::vector<Figure>& figures();

// Writes count files of the given size under folder, named prefix + number + extension, filled
// with bytes that do not compress.
void writeFiles(const std::filesystem::path& folder, const std::string& prefix,
                const std::string& extension, int count, std::size_t size);

// Runs a command line through /bin/sh and waits for it; throws when it fails.
void runCommand(const std::string& commandLine);

// Processor seconds (user and system) used so far by this process, or by its children that
// have ended.
double processorSeconds(bool children = false);

// Flushes dirty pages, so that a measurement does not pay for the writes of the one before.
void flushDisk();

}  // namespace fd::bench
