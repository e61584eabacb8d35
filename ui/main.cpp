#include <QApplication>
#include <cctype>
#include <filesystem>

#include "platform/PathMapper.h"
#include "platform/posix/OdbcDatabase.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/RegFileRegistry.h"
#include "platform/posix/SystemClock.h"
#include "ui/MainWindow.h"
#include "ui/QtDesktop.h"
#include "window/frmActualiza1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);

  fd::PathMapper paths = fd::PathMapper::fromEnvironment();
  const std::filesystem::path hostFolder = QCoreApplication::applicationDirPath().toStdString();
  const std::string programFolder = paths.toWindows(hostFolder);
  // A path without a drive is on the drive the updater runs from.
  if (programFolder.size() >= 2 && programFolder[1] == ':') {
    paths.setDefaultDrive(
        static_cast<char>(std::toupper(static_cast<unsigned char>(programFolder[0]))));
  }

  fd::PosixFileSystem fs(paths);
  fd::PosixProcesses processes(paths, hostFolder);
  fd::SystemClock clock;
  fd::OdbcDatabaseProvider databases;
  fd::RegFileRegistry registry(fd::registryFilePath(paths));
  fd::QtDesktop desktop;

  fd::frmActualiza1 form(
      fd::Services{fs, processes, clock, desktop, databases, paths, registry, programFolder});
  fd::MainWindow window(form);
  desktop.setParentWindow(&window);

  if (!form.Form_Load())
    return 1;
  return app.exec();
}
