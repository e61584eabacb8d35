// The file copy stage (CopiarArchivos) against `cp -r` of the same tree, into a new folder and
// over an older copy of itself: 2,000 files of 100 KB.
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchSupport.h"
#include "support/UpdaterFixture.h"
#include "update/CommandFiles.h"
#include "update/FileCopyStage.h"

namespace fd::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr std::size_t kFileSize = 100 * 1024;
constexpr const char* kOrigen = "C:\\Act\\COMERCIAL_5_2_7_a\\";

std::string fileName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "Modulo%05d.dll", i);
  return name;
}

// An updater whose file list holds 2,000 rows as the manifest reader writes them, all bound for
// one module sub-folder. Each measured run, of either tool, gets a folder of its own never used
// before: on a file system without a journal, ext4 passes over inodes freed in the last seconds
// when it makes a file, so deleting the previous run's 2,000 files just before would charge the
// next run for them.
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
      w.flxFile.AddItem("\t" + fileName(i) + "\t08/12/2026 6:10:57\t" + kOrigen + fileName(i));
    commands =
        std::make_unique<CommandFiles>(CommandFiles::Folders{w.txtDirIni, w.txtDirFD, w.txtCom},
                                       w.state, f.fs, f.processes(), f.desktop, w.log);
    stage = std::make_unique<FileCopyStage>(w.flxFile, w.flxLog, w.chkComandos, w.txtDirFD,
                                            w.txtEstado, f.fs, f.desktop, w.log, *commands);
  }

  // A new target folder, filled with the files first when existing; the next stage run copies
  // into it, starting from the status grid as start-up leaves it.
  fs::path prepare(bool existing) {
    // Both tools write into a new folder of the same module folder, so they make their files
    // in the same place.
    const std::string destino = "C:\\Fendal\\Comercial\\Bin" + std::to_string(++runs) + "\\";
    const fs::path target = f.prefix.host(destino);
    if (existing)
      runCommand("cp -r '" + source.string() + "' '" + target.string() + "'");
    frmActualiza1& w = f.window();
    for (int row = 1; row <= kFiles; ++row) {
      w.flxFile.setTextMatrix(row, 4, destino);
      w.flxFile.setTextMatrix(row, 5, ".dll");
      w.flxFile.setTextMatrix(row, 6, destino + fileName(row - 1));
    }
    w.flxLog.setRows(1);
    flushDisk();
    return target;
  }

  void copiar() {
    CurrentFile current;
    stage->CopiarArchivos(current);
  }

  test::UpdaterFixture f;
  fs::path source;
  int runs = 0;
  std::unique_ptr<CommandFiles> commands;
  std::unique_ptr<FileCopyStage> stage;
};

CopyRun& copyRun() {
  static CopyRun run;
  return run;
}

void CopiarArchivos(benchmark::State& state) {
  CopyRun& run = copyRun();
  fs::path target;
  double used = 0;
  for (auto _ : state) {
    state.PauseTiming();
    target = run.prepare(state.range(0) == 1);
    state.ResumeTiming();
    const double before = processorSeconds();
    run.copiar();
    used += processorSeconds() - before;
  }
  state.counters["cpu_s"] = used / static_cast<double>(state.iterations());
  if (!fs::exists(target / fileName(kFiles - 1)))
    state.SkipWithError("the stage did not copy every file");
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<long long>(kFileSize));
}

void CpR(benchmark::State& state) {
  CopyRun& run = copyRun();
  const bool existing = state.range(0) == 1;
  double used = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path target = run.prepare(existing);
    // Over an existing tree, "cp -r A/. B" writes into B rather than into B/A.
    const std::string command =
        "cp -r '" + run.source.string() + (existing ? "/." : "") + "' '" + target.string() + "'";
    state.ResumeTiming();
    const double before = processorSeconds(true);
    runCommand(command);
    used += processorSeconds(true) - before;
  }
  state.counters["cpu_s"] = used / static_cast<double>(state.iterations());
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<long long>(kFileSize));
}

// Argument 0: a new target folder; 1: the target holds the files already.
BENCHMARK(CopiarArchivos)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CpR)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool declared = [] {
  addFigure({"CopiarArchivos / cp -r, 2,000 x 100 KB, new target (at most 1.5)", "CopiarArchivos/0",
             "CpR/0", "", 1.5});
  addFigure({"CopiarArchivos / cp -r, 2,000 x 100 KB, over existing files (at most 1.5)",
             "CopiarArchivos/1", "CpR/1", "", 1.5});
  // A busy machine stretches real times unevenly; the processor time each one used is steadier.
  addFigure({"CopiarArchivos / cp -r, new target, processor time", "CopiarArchivos/0", "CpR/0",
             "cpu_s", 0});
  addFigure({"CopiarArchivos / cp -r, over existing files, processor time", "CopiarArchivos/1",
             "CpR/1", "cpu_s", 0});
  return true;
}();

}  // namespace
}  // namespace fd::bench
