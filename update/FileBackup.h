#pragma once

#include <set>
#include <string>
#include <vector>

namespace fd {

class FileSystem;
class UpdateLog;

// The copy kept of every file a run replaces, so that the run can be undone: under the
// updater's folder in Respaldo\<stamp>\ at the file's full path (C:\a\b.exe as C\a\b.exe), with
// its dates and attributes, and listed in respaldo.txt. A file the run creates is listed as new.
class FileBackup {
 public:
  static constexpr const char* kCarpeta = "Respaldo\\";
  static constexpr const char* kIndice = "respaldo.txt";
  static constexpr const char* kNuevo = "nuevo";

  // One line of respaldo.txt: the original path, then its size and modification date when it
  // was kept, or the word "nuevo" when the run created it; tab-separated.
  struct Entry {
    std::string original;
    bool isNew = false;
  };

  // pathApp ends in "\"; stamp is the run's log stamp.
  FileBackup(FileSystem& fs, UpdateLog& log, const std::string& pathApp, const std::string& stamp);

  // The backup folder of a stamp, ending in "\".
  static std::string folderOf(const std::string& pathApp, const std::string& stamp);
  // Where the copy of an original path lies inside a backup folder; empty for a path that
  // cannot be laid out there (one with a ".." part).
  static std::string keptPath(const std::string& folder, const std::string& original);
  // The entries of a backup folder's respaldo.txt (53 when it has none).
  static std::vector<Entry> read(const FileSystem& fs, const std::string& folder);

  // Called before target is replaced or created. The first call for a path keeps the file (or
  // notes it as new); later calls within the same stamp keep nothing, so the backup holds the
  // file as it was before the first run. A backup that cannot be written is thrown, so that the
  // file is not replaced.
  void keep(const std::string& target);

 private:
  void makeFolders(const std::string& folder);

  FileSystem& fs_;
  UpdateLog& log_;
  std::string folder_;
  std::set<std::string> listed_;
  bool loaded_ = false;
};

}  // namespace fd
