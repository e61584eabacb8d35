// A 10-second Esperar on the real clock, with a window that has nothing to do: the processor
// time it takes.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "platform/Desktop.h"
#include "platform/SystemClock.h"
#include "session/Esperar.h"

namespace fd::bench {
namespace {

class IdleDesktop : public Desktop {
 public:
  void doEvents() override {}
  int msgBox(const std::string&, int, const std::string&) override { return msgbox::kOk; }
  void setBusyPointer(bool) override {}
};

void Esperar(benchmark::State& state) {
  SystemClock clock;
  IdleDesktop desktop;
  double used = 0;
  for (auto _ : state) {
    const double before = processorSeconds();
    fd::Esperar(clock, desktop, static_cast<double>(state.range(0)));
    used += processorSeconds() - before;
  }
  state.counters["cpu_s"] = used / static_cast<double>(state.iterations());
}

BENCHMARK(Esperar)->Arg(10)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond);

const bool declared = [] {
  addFigure({"Esperar 10 s: processor seconds (under 0.2)", "Esperar/10", "", "cpu_s", 0.2});
  return true;
}();

}  // namespace
}  // namespace fd::bench
