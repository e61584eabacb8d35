// The file copy stage (CopiarArchivos) against `cp -r` of the same tree, 2,000 files of 100 KB,
// into a new folder and over the files already there, as a user would compare them: pairs of runs
// interleaved in one session, the order within a pair alternating, then the median ratio and its
// range: of the real times, which the targets are about, and of the processor times, steadier on
// a busy machine. Then the floor under the second case: the same files replaced by a bare loop,
// written beside each and renamed over it (what keeps a replacement atomic) against rewritten in
// place (what cp does), which tells what the file system charges for the atomic replacement.
//
//   copy_bench [--pairs N] [--only new|existing|floor] [--mark]
//
// At least 7 pairs, 7 when not given; --only runs one of the three comparisons (to profile it);
// --mark brackets each run of the stage and of cp with a write that fails ("begin cp -r" ...),
// for a system-call trace to count what lies between.
//
// Before every run, of either side, the previous run's folder is removed, the next one is made
// and filled with `cp -r` of the source for the "over existing files" case (left for the run to
// make otherwise) and the disk is flushed with sync: both sides start from the same state and pay
// nothing for the other's writes.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "BenchSupport.h"
#include "fixtures/UpdaterFixture.h"
#include "session/GridSetup.h"
#include "update/CommandFiles.h"
#include "update/FileCopyStage.h"

namespace fd::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr std::size_t kFileSize = 100 * 1024;
constexpr int kMinimumPairs = 7;
constexpr const char* kOrigen = "C:\\Act\\COMERCIAL_5_2_7_a\\";

std::string fileName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "Modulo%05d.dll", i);
  return name;
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// An updater whose file list holds 2,000 rows as the manifest reader writes them, all bound for
// one sub-folder of the Comercial folder.
class CopyRun {
 public:
  CopyRun() {
    f.prefix.makeFolder("C:\\Fendal\\Comercial");
    if (!f.window().Form_Load())
      throw std::runtime_error("Form_Load failed");
    source = f.prefix.host(kOrigen);
    writeFiles(source, "Modulo", ".dll", kFiles, kFileSize);
    frmActualiza1& w = f.window();
    for (int i = 0; i < kFiles; ++i)
      appendRow(w.flxFile, FileRow()
                               .set(kFileName, fileName(i))
                               .set(kFileDate, "08/12/2026 6:10:57")
                               .set(kFileSource, kOrigen + fileName(i)));
    commands =
        std::make_unique<CommandFiles>(CommandFiles::Folders{w.txtDirIni, w.txtDirFD, w.txtCom},
                                       f.fs, f.processes(), f.desktop, w.log);
    stage = std::make_unique<FileCopyStage>(w.flxFile, w.flxLog, w.chkComandos, w.txtDirFD,
                                            w.txtEstado, f.fs, f.desktop, w.log, *commands);
  }

  // Removes the last run's folder and names the next one, made and filled first when existing
  // (else the run makes it); the rows point at it, and the status grid is as start-up leaves it.
  fs::path prepare(bool existing) {
    if (!target.empty())
      fs::remove_all(target);
    destino = "C:\\Fendal\\Comercial\\Bin" + std::to_string(++runs) + "\\";
    target = f.prefix.host(destino);
    if (existing)
      runCommand("cp -r '" + source.string() + "' '" + target.string() + "'");
    frmActualiza1& w = f.window();
    for (int row = 1; row <= kFiles; ++row) {
      w.flxFile.setTextMatrix(row, kFileDestination, destino);
      w.flxFile.setTextMatrix(row, kFileKind, ".dll");
      w.flxFile.setTextMatrix(row, kFileFullDestination, destino + fileName(row - 1));
    }
    w.flxLog.setRows(1);
    flushDisk();
    return target;
  }

  void copiar() {
    mark("begin CopiarArchivos");
    CurrentFile current;
    stage->CopiarArchivos(current);
    mark("end CopiarArchivos");
  }

  // "A/." copies the files of A into the folder, whether it exists or not.
  void cp() {
    mark("begin cp -r");
    runCommand("cp -r '" + source.string() + "/.' '" + target.string() + "'");
    mark("end cp -r");
  }

  // With marking, a write to no file: it fails and changes nothing, but a trace shows its text.
  void mark(const char* text) const {
    if (marking && ::write(-1, text, std::strlen(text)) < 0) {
    }
  }
  bool marking = false;

  // What replacing the files costs at the least, with nothing around it: each written beside
  // the old one and renamed over it (atomic), or rewritten in place as cp does (not atomic).
  void replaceBare(bool atomic) {
    for (int i = 0; i < kFiles; ++i) {
      const fs::path from = source / fileName(i);
      const fs::path to = target / fileName(i);
      const int input = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
      std::string temporary = (target / ".fdcopy-XXXXXX").string();
      const int output = atomic ? ::mkostemp(temporary.data(), O_CLOEXEC)
                                : ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (input < 0 || output < 0)
        throw std::runtime_error("cannot open " + from.string() + " or " + to.string());
      ssize_t done = 0;
      while ((done = ::copy_file_range(input, nullptr, output, nullptr, 1 << 30, 0)) > 0) {
      }
      ::close(input);
      if (done < 0 || ::close(output) != 0 ||
          (atomic && ::rename(temporary.c_str(), to.c_str()) != 0))
        throw std::runtime_error("cannot copy " + from.string());
    }
  }

  // Both sides must leave every file whole.
  void check() const {
    const fs::path last = target / fileName(kFiles - 1);
    if (fs::file_size(last) != kFileSize)
      throw std::runtime_error("a copy is missing or short: " + last.string());
  }

  test::UpdaterFixture f;
  fs::path source;
  fs::path target;
  std::string destino;
  int runs = 0;
  std::unique_ptr<CommandFiles> commands;
  std::unique_ptr<FileCopyStage> stage;
};

// Real seconds, and the processor seconds of this process or of its children.
struct Measure {
  double real = 0;
  double processor = 0;
};

Measure measure(const std::function<void()>& action, bool children) {
  const double processorBefore = processorSeconds(children);
  const auto start = std::chrono::steady_clock::now();
  action();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          processorSeconds(children) - processorBefore};
}

std::tuple<double, double, double> medianAndRange(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  const double median =
      values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
  return {median, values.front(), values.back()};
}

// One side of a comparison: its name, what it runs, and whether its processor time is that of
// child processes.
struct Side {
  const char* name;
  std::function<void()> action;
  bool children = false;
};

// Runs the pairs of one comparison on 2,000 files and prints them, the median ratio and its
// range.
void comparePairs(CopyRun& run, const std::string& label, bool existing, int pairs, double target,
                  const Side& a, const Side& b) {
  std::printf("%s / %s, 2,000 x 100 KB, %s", a.name, b.name, label.c_str());
  if (target > 0)
    std::printf(" (target at most %.2f)", target);
  std::printf("\n");
  std::vector<double> ratios;
  std::vector<double> processorRatios;
  for (int pair = 0; pair < pairs; ++pair) {
    Measure first;
    Measure second;
    // The order alternates, so that neither side always follows the other.
    for (int side = 0; side < 2; ++side) {
      const bool firstNow = (side == 0) == (pair % 2 == 0);
      run.prepare(existing);
      if (firstNow)
        first = measure(a.action, a.children);
      else
        second = measure(b.action, b.children);
      run.check();
    }
    ratios.push_back(first.real / second.real);
    processorRatios.push_back(first.processor / second.processor);
    std::printf(
        "  pair %d: %s %.3f s (processor %.3f s), %s %.3f s (processor %.3f s), ratio %.3f\n",
        pair + 1, a.name, first.real, first.processor, b.name, second.real, second.processor,
        ratios.back());
  }
  const auto [median, low, high] = medianAndRange(ratios);
  std::printf("  median ratio %.3f (range %.3f-%.3f over %d pairs)%s\n", median, low, high, pairs,
              target <= 0        ? ""
              : median <= target ? ": met"
                                 : ": MISSED");
  const auto [processorMedian, processorLow, processorHigh] = medianAndRange(processorRatios);
  std::printf("  processor time: median ratio %.3f (range %.3f-%.3f)\n", processorMedian,
              processorLow, processorHigh);
}

}  // namespace
}  // namespace fd::bench

int main(int argc, char** argv) {
  int pairs = fd::bench::kMinimumPairs;
  std::string only;
  bool marks = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pairs") == 0 && i + 1 < argc) {
      pairs = std::max(fd::bench::kMinimumPairs, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else if (std::strcmp(argv[i], "--mark") == 0) {
      marks = true;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--pairs N] [--only new|existing|floor] [--mark]   (N at least %d)\n",
                   argv[0], fd::bench::kMinimumPairs);
      return 2;
    }
  }
  const auto wanted = [&](const char* name) { return only.empty() || only == name; };
  // Each pair as it ends, also into a pipe.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  try {
    std::printf("load average before: %s\n", fd::bench::loadAverage().c_str());
    using fd::bench::Side;
    fd::bench::CopyRun run;
    run.marking = marks;
    const Side stage{"CopiarArchivos", [&] { run.copiar(); }};
    const Side cp{"cp -r", [&] { run.cp(); }, true};
    if (wanted("new"))
      fd::bench::comparePairs(run, "into a new folder", false, pairs, 1.20, stage, cp);
    if (wanted("existing"))
      fd::bench::comparePairs(run, "over existing files", true, pairs, 1.30, stage, cp);
    if (wanted("floor"))
      fd::bench::comparePairs(run, "over existing files, the floor of each", true, pairs, 0,
                              Side{"rename over", [&] { run.replaceBare(true); }},
                              Side{"rewrite in place", [&] { run.replaceBare(false); }});
    std::printf("load average after: %s\n", fd::bench::loadAverage().c_str());
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "copy_bench: %s\n", error.what());
    return 2;
  }
}
