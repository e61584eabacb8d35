#include "support/UpdaterFixture.h"

#include <filesystem>

#include "platform/odbc/OdbcDatabase.h"
#include "support/clsRegistro.h"

namespace fd::test {

UpdaterFixture::UpdaterFixture() : databases(std::make_unique<OdbcDatabaseProvider>()) {
  prefix.makeFolder("C:\\Act");
}

UpdaterFixture::~UpdaterFixture() = default;

Services UpdaterFixture::services(Desktop& desktopToUse) {
  if (!processes_) {
    prefix.makeFolder(programFolder);
    processes_ = std::make_unique<PosixProcesses>(prefix.mapper(), prefix.host(programFolder));
  }
  return Services{fs,         *processes_,     clock,    desktopToUse,
                  *databases, prefix.mapper(), registry, programFolder};
}

frmActualiza1& UpdaterFixture::window() {
  if (!window_) {
    window_ = std::make_unique<frmActualiza1>(services(desktop));
  }
  return *window_;
}

void UpdaterFixture::registerQueryTool(const std::string& folder) {
  clsRegistro(registry).SetRegistryValue(
      "SOFTWARE\\Microsoft\\Microsoft SQL Server\\90\\Tools\\ClientSetup", "SQLPath", folder);
  prefix.makeFolder(folder + "\\Binn");
  std::filesystem::copy_file(std::filesystem::path(FD_BIN_DIR) / "osql.exe",
                             prefix.host(folder + "\\Binn\\osql.exe"));
}

void UpdaterFixture::writeMailTask(const std::string& program) {
  if (program.empty())
    writeScript("C:\\Fendal\\reiniciar", "echo ok > \"$WINEPREFIX/drive_c/Tmp/reiniciado.txt\"");
  prefix.makeFolder("C:\\Tmp");
  prefix.writeFile("C:\\Windows\\System32\\Tasks\\fdEnvioMails",
                   "<?xml version=\"1.0\"?><Task><Actions><Exec><Command>" +
                       (program.empty() ? std::string("C:\\Fendal\\reiniciar") : program) +
                       "</Command></Exec></Actions></Task>");
}

void UpdaterFixture::writeScript(const std::string& windowsPath, const std::string& body) {
  prefix.writeFile(windowsPath, "#!/bin/sh\n" + body + "\n");
  std::filesystem::permissions(prefix.host(windowsPath), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
}

std::vector<std::string> UpdaterFixture::logLines() const {
  return fs.readLines(window_->state.mArchivoLog);
}

std::vector<std::string> UpdaterFixture::logTexts() const {
  return textsOf(logLines());
}

std::vector<std::string> UpdaterFixture::textsOf(const std::vector<std::string>& lines) {
  std::vector<std::string> texts;
  for (const std::string& line : lines) {
    // "dd/mm/yyyy H:mm:ss" is followed directly by the entry's text.
    std::size_t space = line.find(' ');
    std::size_t after = space == std::string::npos ? std::string::npos : line.find(' ', space + 1);
    bool dated = line.size() > 10 && line[2] == '/' && line[5] == '/';
    texts.push_back(dated && after != std::string::npos ? line.substr(after) : line);
  }
  return texts;
}

}  // namespace fd::test
