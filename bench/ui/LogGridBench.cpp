// 10,000 status texts through the window's log grid, its model and its view (offscreen), the
// window yielding to its event loop after each text as the stages do. Prints the real and the
// processor time of each thousand texts (the median of several runs) and how the last thousand
// compares with the first, in processor time, which a busy machine's waits do not blur: an
// append must cost the same at row 10 and at row 10,000.
//
//   log_grid_bench [RUNS]        RUNS defaults to 5
#include <time.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fixtures/FakeClock.h"
#include "fixtures/TempPrefix.h"
#include "platform/odbc/OdbcDatabase.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/RegFileRegistry.h"
#include "session/GridSetup.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtDesktop.h"
#include "window/frmActualiza1.h"

namespace {

constexpr int kTexts = 10'000;
constexpr int kBlock = 1'000;
constexpr double kLimit = 1.5;

struct Block {
  double real = 0;       // seconds
  double processor = 0;  // seconds of this process's processor time
};

double processorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The times taken by each thousand texts of one run, in a window made for it.
std::vector<Block> oneRun() {
  fd::TempPrefix prefix;
  fd::PosixFileSystem fs(prefix.mapper());
  fd::PosixProcesses processes(prefix.mapper(), prefix.host("C:\\Act"));
  fd::FakeClock clock;
  fd::OdbcDatabaseProvider databases;
  fd::RegFileRegistry registry(fd::registryFilePath(prefix.mapper()));
  fd::QtDesktop desktop;
  fd::frmActualiza1 form(
      fd::Services{fs, processes, clock, desktop, databases, prefix.mapper(), registry, "C:\\Act"});
  fd::MainWindow window(form);
  fd::ConfigurarLog(form.flxLog);
  form.SSTab1.setTab(3);
  window.show();
  QCoreApplication::processEvents();

  std::vector<Block> blocks;
  auto start = std::chrono::steady_clock::now();
  double startProcessor = processorSeconds();
  for (int text = 1; text <= kTexts; ++text) {
    // Texts of a large update: files, databases and scripts, of varying length.
    form.txtEstado.setText((text % 3 == 0 ? "EMPRESA_COMERCIAL: Ejecutar 0" : "Copiar archivo ") +
                           std::to_string(text) + std::string(text % 17, 'x') + ".sql");
    QCoreApplication::processEvents();
    if (text % kBlock == 0) {
      const auto now = std::chrono::steady_clock::now();
      const double nowProcessor = processorSeconds();
      blocks.push_back(
          {std::chrono::duration<double>(now - start).count(), nowProcessor - startProcessor});
      start = now;
      startProcessor = nowProcessor;
    }
  }
  if (form.flxLog.Rows() != kTexts + 1) {
    std::fprintf(stderr, "flxLog holds %d rows, not %d\n", form.flxLog.Rows() - 1, kTexts);
    std::exit(1);
  }
  return blocks;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  std::vector<std::vector<double>> real(kTexts / kBlock);
  std::vector<std::vector<double>> processor(kTexts / kBlock);
  for (int run = 0; run < runs; ++run) {
    const std::vector<Block> blocks = oneRun();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      real[i].push_back(blocks[i].real);
      processor[i].push_back(blocks[i].processor);
    }
  }

  std::printf("%d status texts into flxLog through its model and view (offscreen), median of %d:\n",
              kTexts, runs);
  std::vector<double> medians;
  for (std::size_t i = 0; i < real.size(); ++i) {
    medians.push_back(median(processor[i]));
    std::printf("  texts %5zu to %5zu: real %.3f s, processor %.3f s (%.0f us per text)\n",
                i * kBlock + 1, (i + 1) * kBlock, median(real[i]), medians.back(),
                medians.back() / kBlock * 1e6);
  }
  const double ratio = medians.back() / medians.front();
  std::printf("last thousand / first thousand, processor time: %.2f (at most %.2f: %s)\n", ratio,
              kLimit, ratio <= kLimit ? "met" : "MISSED");
  return 0;
}
