#include "support/UpdaterFixture.h"

#include <filesystem>

#include "platform/posix/OdbcDatabase.h"

namespace fd::test {

UpdaterFixture::UpdaterFixture() : databases(std::make_unique<OdbcDatabaseProvider>()) {
  prefix.makeFolder("C:\\Act");
}

UpdaterFixture::~UpdaterFixture() = default;

frmActualiza1& UpdaterFixture::window() {
  if (!window_) {
    prefix.makeFolder(programFolder);
    processes_ = std::make_unique<PosixProcesses>(prefix.mapper(), prefix.host(programFolder));
    window_ = std::make_unique<frmActualiza1>(Services{fs, *processes_, clock, desktop, *databases,
                                                       prefix.mapper(), registry, programFolder});
  }
  return *window_;
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
  std::vector<std::string> texts;
  for (const std::string& line : logLines()) {
    // "dd/mm/yyyy H:mm:ss" is followed directly by the entry's text.
    std::size_t space = line.find(' ');
    std::size_t after = space == std::string::npos ? std::string::npos : line.find(' ', space + 1);
    bool dated = line.size() > 10 && line[2] == '/' && line[5] == '/';
    texts.push_back(dated && after != std::string::npos ? line.substr(after) : line);
  }
  return texts;
}

}  // namespace fd::test
