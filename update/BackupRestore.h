#pragma once

#include <string>
#include <vector>

#include "session/Controls.h"

namespace fd {

class Clock;
class Desktop;
class FileSystem;
class Processes;
class UpdateLog;

// Undoes the file stage of an update run from its backup (FileBackup): every kept file is put
// back and every file the run created is removed, each in one step, with the mail-sending task
// stopped around it as the run stops it. The scripts' changes to the databases stay.
class BackupRestore {
 public:
  BackupRestore(FileSystem& fs, Processes& processes, Clock& clock, Desktop& desktop,
                UpdateLog& log, TextBox& txtEstado, Switch& windowEnabled);

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
  Processes& processes_;
  Clock& clock_;
  Desktop& desktop_;
  UpdateLog& log_;
  TextBox& txtEstado_;
  Switch& windowEnabled_;
};

}  // namespace fd
