#include "update/MailTask.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "fixtures/FakeClock.h"
#include "fixtures/ScriptedDesktop.h"
#include "fixtures/TempPrefix.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "session/UpdateLog.h"

namespace fd::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSurvivorMessage =
    "No se puede detener la tarea de envío de mails. Para actualizar, deberá\r\ndetenerla "
    "manualmente a través del Administrador de Tareas (buscar el proceso \"fdEnvioMails.exe\")";

struct ListedProcess {
  std::string name;
  bool inThisPrefix;
};

struct StopCase {
  std::string label;
  std::vector<ListedProcess> processes;
  bool listReadable;
  bool stopped;
  int checks;
  std::string message;  // the one message box, "" for none
};

// The mail task over a process list read from a folder laid out as /proc, so that the
// programs it holds never end, and a taskkill that ends nothing.
class MailTaskStop : public ::testing::TestWithParam<StopCase> {
 protected:
  MailTaskStop() {
    prefix.writeFile("C:\\Act\\taskkill", "#!/bin/sh\nexit 0\n");
    fs::permissions(prefix.host("C:\\Act\\taskkill"), fs::perms::owner_all);
    log.create("C:\\Act\\ACT.log");
  }
  void list(int pid, const ListedProcess& process) {
    const fs::path folder = proc / std::to_string(pid);
    fs::create_directories(folder);
    std::ofstream(folder / "cmdline") << "C:\\Fendal\\" << process.name << '\0';
    const fs::path owner = process.inThisPrefix ? prefix.root() : proc / "otro";
    std::ofstream(folder / "environ")
        << "HOME=/x" << '\0' << "WINEPREFIX=" << owner.string() << '\0';
  }
  ~MailTaskStop() override { removeTree(proc.parent_path()); }

  TempPrefix prefix;
  fs::path proc = makeTempFolder("proc") / "proc";
  PosixFileSystem files{prefix.mapper()};
  FakeClock clock;
  ScriptedDesktop desktop;
  UpdateLog log{files, clock};
  TextBox txtEstado;
  Switch enabled;
  PosixProcesses processes{prefix.mapper(), prefix.host("C:\\Act"), proc};
  MailTask task{processes, clock, desktop, log, txtEstado, enabled};
};

TEST_P(MailTaskStop, ChecksEvery100MillisecondsForTenSeconds) {
  const StopCase& c = GetParam();
  if (c.listReadable) {
    fs::create_directories(proc);
  }
  for (std::size_t i = 0; i < c.processes.size(); ++i) {
    list(100 + static_cast<int>(i), c.processes[i]);
  }

  EXPECT_EQ(task.DetenerTareaMails(), c.stopped);

  EXPECT_EQ(clock.sleepCount(), c.checks);
  EXPECT_EQ(clock.slept(), std::chrono::milliseconds(100 * c.checks));
  EXPECT_EQ(desktop.eventRounds, c.checks);
  EXPECT_TRUE(enabled.Value());
  std::vector<std::string> lines{"FSyncShell taskkill /f /im fdEnvioMails.exe"};
  if (c.stopped) {
    lines.push_back("Tarea fdEnvioMails detenida con éxito");
  }
  const std::vector<std::string> written = files.readLines("C:\\Act\\ACT.log");
  ASSERT_GE(written.size(), lines.size());
  EXPECT_EQ(
      std::vector<std::string>(written.end() - static_cast<long>(lines.size()), written.end()),
      lines);
  ASSERT_EQ(desktop.boxes.size(), c.message.empty() ? 0u : 1u);
  if (!c.message.empty()) {
    EXPECT_EQ(desktop.boxes[0].prompt, c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, MailTaskStop,
    ::testing::Values(
        StopCase{"NothingRunning", {{"Comercial.exe", true}}, true, true, 1, ""},
        StopCase{
            "OtherLetterCaseIsAnotherProgram", {{"FDENVIOMAILS.EXE", true}}, true, true, 1, ""},
        StopCase{
            "AnotherPrefixsProgramIsNotSeen", {{"fdEnvioMails.exe", false}}, true, true, 1, ""},
        StopCase{"SurvivorIsChecked101Times",
                 {{"fdEnvioMails.exe", true}},
                 true,
                 false,
                 101,
                 kSurvivorMessage},
        StopCase{"UnreadableListCountsAsStopped",
                 {},
                 false,
                 true,
                 1,
                 "Actualizar : BuscarProceso : (75). Línea : 2. Error de acceso a la ruta o el "
                 "archivo"}),
    [](const auto& info) { return info.param.label; });

using MailTaskWait = MailTaskStop;

// Whatever ends the wait, the window is not left disabled.
TEST_F(MailTaskWait, AFailureDuringTheWaitReenablesTheWindow) {
  fs::create_directories(proc);
  desktop.onEvents = [] { throw std::runtime_error("cerrado"); };
  EXPECT_THROW(task.DetenerTareaMails(), std::runtime_error);
  EXPECT_TRUE(enabled.Value());
}

}  // namespace
}  // namespace fd::test
