#include <gtest/gtest.h>

#include <sstream>

#include "fixtures/FixtureHost.h"
#include "fixtures/ScriptedDesktop.h"
#include "window/ProgramStart.h"

namespace fd::test {
namespace {

constexpr int kLoopEnded = 7;

// A window that counts what the start asks of it: its view loads or not, and its event loop
// ends at once.
class RecordingWindow : public ProgramWindow {
 public:
  RecordingWindow(bool loads, int& made, int& loops) : loads_(loads), loops_(loops) { ++made; }

  Desktop& desktop() override { return desktop_; }
  std::unique_ptr<View> view(frmActualiza1&) override {
    return std::make_unique<LoadingView>(loads_);
  }
  int exec() override {
    ++loops_;
    return kLoopEnded;
  }

 private:
  struct LoadingView : View {
    explicit LoadingView(bool loads) : loads(loads) {}
    bool load() override { return loads; }
    bool loads;
  };
  ScriptedDesktop desktop_;
  bool loads_;
  int& loops_;
};

struct StartCase {
  std::string name;
  std::vector<std::string> args;
  bool window = false;  // the window was opened
  int code = 0;
  std::string out;  // the beginning of what each stream received
  std::string err;
};

class ProgramStartModes : public FixtureHost, public ::testing::TestWithParam<StartCase> {
 protected:
  int start(const std::vector<std::string>& args, bool loads) {
    const std::unique_ptr<Host> host = hostOf(root() + "Act");
    return ProgramStart(*host, out, err).run(args, [&] {
      return std::make_unique<RecordingWindow>(loads, windows, loops);
    });
  }

  std::ostringstream out, err;
  int windows = 0;
  int loops = 0;
};

TEST_P(ProgramStartModes, ReachTheirModeAndExitCode) {
  const StartCase& c = GetParam();
  EXPECT_EQ(start(c.args, true), c.code) << out.str() << err.str();
  EXPECT_EQ(windows, c.window ? 1 : 0);
  EXPECT_EQ(loops, windows);
  // The whole stream when none is expected.
  EXPECT_EQ(out.str().substr(0, c.out.empty() ? std::string::npos : c.out.size()), c.out);
  EXPECT_EQ(err.str().substr(0, c.err.empty() ? std::string::npos : c.err.size()), c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramStartModes,
    ::testing::Values(
        StartCase{"NoArguments", {}, true, kLoopEnded, "", ""},
        StartCase{"DroppedFile", {"C:\\Paquetes\\CRM_1_9_3.rar"}, true, kLoopEnded, "", ""},
        StartCase{"ToolkitOptions", {"-platform", "offscreen"}, true, kLoopEnded, "", ""},
        StartCase{"Usage", {"-?"}, false, 0, "Uso: actualizador [opciones]\n", ""},
        StartCase{"UnknownSwitch",
                  {"/rapido"},
                  false,
                  2,
                  "",
                  "Opción no reconocida: /rapido\n\nUso: actualizador [opciones]\n"},
        StartCase{"NoBackupToRestore", {"/restaurar"}, false, 2, "", "No hay ningún respaldo en "}),
    [](const auto& info) { return info.param.name; });

using ProgramStartWindow = ProgramStartModes;

TEST_F(ProgramStartWindow, ThatCannotStartEndsTheProgram) {
  EXPECT_EQ(start({}, false), 1);
  EXPECT_EQ(windows, 1);
  EXPECT_EQ(loops, 0);
}

}  // namespace
}  // namespace fd::test
