#pragma once

#include <string>
#include <vector>

#include "session/Controls.h"

namespace fd {

class FileSystem;
class MailTask;
class UpdateLog;

// Undoes the file stage of an update run from its backup (FileBackup): every kept file is put
// back and every file the run created is removed, each in one step, with the mail-sending task
// stopped around it as the run stops it. The scripts' changes to the databases stay.
class BackupRestore {
 public:
  // mail stops the mail-sending task around the restore, as a run stops it.
  BackupRestore(FileSystem& fs, MailTask& mail, UpdateLog& log, TextBox& txtEstado);

  // The stamp of the most recent backup under the updater's folder; empty when there is none.
  static std::string latest(const FileSystem& fs, const std::string& pathApp);

  struct Result {
    bool mailStopped = true;
    std::vector<std::string> failed;  // each original path, a space and why
  };
  // Restores the backup folder (ending in "\"); it must hold its respaldo.txt.
  Result restore(const std::string& folder);

 private:
  FileSystem& fs_;
  MailTask& mail_;
  UpdateLog& log_;
  TextBox& txtEstado_;
};

}  // namespace fd
