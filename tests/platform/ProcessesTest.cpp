// Programs started through the host's processes service, on both hosts.
#include <gtest/gtest.h>

#include <optional>

#include "PlatformTestSupport.h"
#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

class HostProcesses : public ::testing::Test {
 protected:
  // Polls the exit code as a waiting caller does; kStillActive when it never ends.
  int waitForExit(int pid) {
    std::optional<int> code;
    eventually([&] {
      code = f.processes().exitCode(pid);
      return !code || *code != kStillActive;
    });
    return code.value_or(-1);
  }

  UpdaterFixture f;
};

TEST_F(HostProcesses, StartedProcessIsPolledUntilItsExitCode) {
  const int pid = f.processes().start(f.exitingWith(3), WindowState::MinimizedNoFocus);
  EXPECT_GT(pid, 0);
  EXPECT_EQ(waitForExit(pid), 3);
  EXPECT_EQ(f.processes().exitCode(pid), 3);  // still readable once it has ended
}

TEST_F(HostProcesses, SyncShellReturnsTheExitCodeOnlyWhenTheProcessHasEnded) {
  EXPECT_EQ(f.processes().syncShell(f.exitingWith(7), WindowState::NormalFocus), 7);
  const std::string recorder = f.writeArgumentRecorder(f.act());
  EXPECT_EQ(f.processes().syncShell(recorder + " uno dos", WindowState::Hidden), 0);
  EXPECT_EQ(f.readFile(f.act() + "marca.txt"), "uno dos\n");
}

TEST_F(HostProcesses, SyncShellTakingOutputGivesWhatTheProgramSaidInsteadOfShowingIt) {
  const std::string tool = "\"" + FixtureHost::builtProgram("Winrar95.exe").string() + "\"";
  const Processes::Ended ended =
      f.processes().syncShellTakingOutput(tool + " x", WindowState::Hidden);
  EXPECT_EQ(ended.exitCode, 7);
  EXPECT_TRUE(ended.output.starts_with("Winrar95: falta la orden e. Uso: ")) << ended.output;
}

TEST_F(HostProcesses, NoProcessHasNoExitCode) {
  EXPECT_EQ(f.processes().exitCode(0x7FFFFFF0), std::nullopt);
}

struct MissingCase {
  const char* name;
  const char* line;
};

class MissingProgram : public HostProcesses, public testing::WithParamInterface<MissingCase> {};

TEST_P(MissingProgram, IsError53BothStartedAndWaitedFor) {
  const std::string line = GetParam().line;
  EXPECT_EQ(errorNumberOf([&] { f.processes().start(line, WindowState::NormalFocus); }), 53);
  EXPECT_EQ(errorNumberOf([&] { f.processes().syncShell(line, WindowState::NormalFocus); }), 53);
  EXPECT_EQ(
      errorNumberOf([&] { f.processes().syncShellTakingOutput(line, WindowState::NormalFocus); }),
      53);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MissingProgram,
    testing::Values(MissingCase{"FullPath", "C:\\Fendal\\nada.exe"},
                    MissingCase{"FullPathWithArguments", "C:\\no\\such\\program.exe /x"},
                    MissingCase{"DriveRoot", "\\nada.exe /x"},
                    MissingCase{"BareName", "programa-que-no-existe"},
                    MissingCase{"RelativePath", "sub\\nada.exe"},
                    MissingCase{"SlashPath", "/no/existe"}, MissingCase{"Empty", ""},
                    MissingCase{"Blank", "  "}),
    [](const testing::TestParamInfo<MissingCase>& info) { return info.param.name; });

}  // namespace
}  // namespace fd::test
