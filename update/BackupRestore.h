#pragma once

#include <string>
#include <vector>

#include "session/Controls.h"

namespace fd {

class FileSystem;
class MailTask;
class Processes;
class UpdateLog;

// Undoes the file stage of an update run from its backup (FileBackup): every kept file is put
// back, every file the run created and left as it wrote it is removed, and then every folder the
// run created that is left empty, with the mail-sending task stopped around it as the run stops
// it. The scripts' changes to the databases stay. Every entry of the index is checked before
// anything is written; one that the backup could not have written stops the whole restore.
class BackupRestore {
 public:
  BackupRestore(FileSystem& fs, Processes& processes, MailTask& mail, UpdateLog& log,
                TextBox& txtEstado);

  // The name of the newest backup under the updater's folder (pathApp, ending in "\"): of the
  // folders named as a backup and holding a respaldo.txt; empty when there is none.
  static std::string latest(const FileSystem& fs, const std::string& pathApp);

  struct Result {
    bool mailStopped = true;
    // Nothing was written: the index holds entries that cannot be restored.
    bool refused = false;
    std::vector<std::string> failed;  // each original path, a space and why
  };
  // Restores the backup folder (ending in "\") of the updater's folder pathApp.
  Result restore(const std::string& pathApp, const std::string& folder);

 private:
  FileSystem& fs_;
  Processes& processes_;
  MailTask& mail_;
  UpdateLog& log_;
  TextBox& txtEstado_;
};

}  // namespace fd
