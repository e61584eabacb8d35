#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Database.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/RegFileRegistry.h"
#include "support/FakeClock.h"
#include "support/ScriptedDesktop.h"
#include "support/TempPrefix.h"
#include "window/frmActualiza1.h"

namespace fd::test {

// A whole updater on a temporary prefix: the window logic over the real file system and
// processes, a fake clock, a scripted desktop and the real database provider. The updater's
// folder is C:\Act\ unless a test names another before calling window().
class UpdaterFixture {
 public:
  UpdaterFixture();
  ~UpdaterFixture();

  TempPrefix prefix;
  FakeClock clock;
  ScriptedDesktop desktop;
  PosixFileSystem fs{prefix.mapper()};
  std::string programFolder = "C:\\Act";
  std::unique_ptr<DatabaseProvider> databases;
  RegFileRegistry registry{registryFilePath(prefix.mapper())};

  // The platform services of the prefix, with a desktop of the caller's.
  Services services(Desktop& desktop);
  // The window, made on first use with the folder above.
  frmActualiza1& window();
  PosixProcesses& processes() {
    window();
    return *processes_;
  }
  // Registers the query tool (the real osql.exe) under SQLPath = folder.
  void registerQueryTool(const std::string& folder = "C:\\SQL\\90\\Tools");
  // The scheduled task fdEnvioMails, starting program, or by default a program that notes it ran
  // in C:\Tmp\reiniciado.txt.
  void writeMailTask(const std::string& program = "");
  // Writes an executable shell script (host code) at a Windows path.
  void writeScript(const std::string& windowsPath, const std::string& body);
  // The lines of the update log file as the program wrote them (ANSI, CR LF).
  std::vector<std::string> logLines() const;
  // The lines of the log without their date and time (dated entries start with " ").
  std::vector<std::string> logTexts() const;
  static std::vector<std::string> textsOf(const std::vector<std::string>& lines);

 private:
  std::unique_ptr<PosixProcesses> processes_;
  std::unique_ptr<frmActualiza1> window_;
};

}  // namespace fd::test
