#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Win32TestFolder.h"
#include "fixtures/FakeClock.h"
#include "fixtures/ScriptedDesktop.h"
#include "platform/PathMapper.h"
#include "platform/odbc/OdbcDatabase.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "window/frmActualiza1.h"

namespace fd::test {

// A whole updater on the real Windows services, in a temporary folder: the updater's folder is
// FOLDER\Act, the suite's root FOLDER\Fendal\ (with its Comercial folder); a fake clock and a
// scripted desktop stand in for time and the user.
class Win32UpdaterFixture {
 public:
  Win32UpdaterFixture();
  ~Win32UpdaterFixture();

  Win32TestFolder folder;
  FakeClock clock;
  ScriptedDesktop desktop;
  Win32FileSystem fs;
  Win32Processes processes;
  OdbcDatabaseProvider databases;
  Win32Registry registry;
  PathMapper paths{std::filesystem::path()};

  // The window after its start-up, with the suite's root moved into the temporary folder.
  frmActualiza1& window();
  // Runs on the window just before its start-up (a view binds to it there).
  std::function<void(frmActualiza1&)> beforeLoad;
  std::string act() const { return folder.path("Act\\"); }
  std::string fendal() const { return folder.path("Fendal\\"); }

  // Writes a file at a Windows path, creating its folders.
  static void writeFile(const std::string& path, const std::string& bytes);
  static std::string readFile(const std::string& path);
  static bool exists(const std::string& path);
  // A program built with the suites: FOLDER\name beside this test program, or ..\bin\name.
  static std::string builtProgram(const std::string& name);
  // The lines of the update log without their date and time.
  std::vector<std::string> logTexts() const;

 private:
  std::unique_ptr<frmActualiza1> window_;
};

}  // namespace fd::test
