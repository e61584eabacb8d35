// The actualizador program on Windows: the native window over the real Windows services.
#include <windows.h>

#include <cctype>
#include <filesystem>

#include "platform/PathMapper.h"
#include "platform/odbc/OdbcDatabase.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "ui/win32/Win32Desktop.h"
#include "ui/win32/Win32MainWindow.h"
#include "window/frmActualiza1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  fd::PathMapper paths = fd::PathMapper::fromEnvironment();
  // The program's folder as Windows spells it, read as wide text so that no name is lost.
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::filesystem::path hostFolder = std::filesystem::path(self).parent_path();
  const std::string programFolder = paths.toWindows(hostFolder);
  // A path without a drive is on the drive the updater runs from.
  if (programFolder.size() >= 2 && programFolder[1] == ':') {
    paths.setDefaultDrive(
        static_cast<char>(std::toupper(static_cast<unsigned char>(programFolder[0]))));
  }

  fd::Win32FileSystem fs;
  fd::Win32Processes processes;
  fd::Win32Clock clock;
  fd::OdbcDatabaseProvider databases;
  fd::Win32Registry registry;
  fd::Win32Desktop desktop;

  fd::frmActualiza1 form(
      fd::Services{fs, processes, clock, desktop, databases, paths, registry, programFolder});
  fd::Win32MainWindow window(form, desktop);

  if (!form.Form_Load())
    return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
