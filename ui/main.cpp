#include <QApplication>
#include <cctype>
#include <filesystem>

#include "platform/PathMapper.h"
#ifdef _WIN32
#include <QDir>

#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32OdbcDatabase.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#else
#include <signal.h>

#include "platform/posix/OdbcDatabase.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/RegFileRegistry.h"
#include "platform/posix/SystemClock.h"
#endif
#include "ui/EndSignals.h"
#include "ui/MainWindow.h"
#include "ui/QtDesktop.h"
#include "window/frmActualiza1.h"

int main(int argc, char* argv[]) {
#ifndef _WIN32
  // A file-size limit then fails the write with EFBIG, which the traps report, instead of ending
  // the program without a word.
  ::signal(SIGXFSZ, SIG_IGN);
#endif
  QApplication app(argc, argv);

  fd::PathMapper paths = fd::PathMapper::fromEnvironment();
#ifdef _WIN32
  // The folder as Windows spells it, read as wide text so that no name is lost to the code page.
  const std::filesystem::path hostFolder =
      QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdWString();
#else
  const std::filesystem::path hostFolder = QCoreApplication::applicationDirPath().toStdString();
#endif
  const std::string programFolder = paths.toWindows(hostFolder);
  // A path without a drive is on the drive the updater runs from.
  if (programFolder.size() >= 2 && programFolder[1] == ':') {
    paths.setDefaultDrive(
        static_cast<char>(std::toupper(static_cast<unsigned char>(programFolder[0]))));
  }

#ifdef _WIN32
  fd::Win32FileSystem fs;
  fd::Win32Processes processes;
  fd::Win32Clock clock;
  fd::Win32OdbcDatabaseProvider databases;
  fd::Win32Registry registry;
#else
  fd::PosixFileSystem fs(paths);
  fd::PosixProcesses processes(paths, hostFolder);
  fd::SystemClock clock;
  fd::OdbcDatabaseProvider databases;
  fd::RegFileRegistry registry(fd::registryFilePath(paths));
#endif
  fd::QtDesktop desktop;

  fd::frmActualiza1 form(
      fd::Services{fs, processes, clock, desktop, databases, paths, registry, programFolder});
  fd::MainWindow window(form);
  desktop.setParentWindow(&window);
  fd::closeOnEndSignals(window);

  if (!window.load())
    return 1;
  return app.exec();
}
