// Start-up to a ready window (the window made and Form_Load done) with 200 packages in the
// updater's folder and no server listening.
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchSupport.h"
#include "fixtures/UpdaterFixture.h"

namespace fd::bench {
namespace {

constexpr int kPackages = 200;
constexpr const char* kSystems[] = {"COMERCIAL", "CONTABILIDAD", "CRM", "MRP"};

void Form_Load(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto f = std::make_unique<test::UpdaterFixture>();
    f->prefix.makeFolder("C:\\Fendal\\Comercial");
    // The default server, (local), is 127.0.0.1:1433, where nothing listens here.
    for (int i = 0; i < kPackages; ++i) {
      f->prefix.writeFile("C:\\Act\\" + std::string(kSystems[i % 4]) + "_5_" +
                              std::to_string(i / 4 % 10) + "_" + std::to_string(i) + "_a.rar",
                          "");
    }
    state.ResumeTiming();

    frmActualiza1& window = f->window();
    if (!window.Form_Load())
      state.SkipWithError("Form_Load failed");
    if (window.flxRar.Rows() != kPackages + 1 || window.flxBases.Rows() != 1)
      state.SkipWithError("not 200 packages and no databases");

    state.PauseTiming();
    f.reset();
    state.ResumeTiming();
  }
}

BENCHMARK(Form_Load)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool declared = [] {
  addFigure(
      {"Form_Load, 200 packages, server down: seconds (under 0.3)", "Form_Load", "", "", 0.3});
  return true;
}();

}  // namespace
}  // namespace fd::bench
