#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/DateTime.h"

namespace fd {

class AppError;
class FileSystem;
class UpdateLog;

// The copy kept of every file a run replaces, so that the run can be undone: under the
// updater's folder in a folder of its own, Respaldo\<stamp>\, at the file's full path (C:\a\b.exe
// as C\a\b.exe), with its dates and attributes, and listed in respaldo.txt. A file the run
// creates is listed as new, with the size it was given; a folder it creates, as a folder.
class FileBackup {
 public:
  static constexpr const char* kCarpeta = "Respaldo\\";
  static constexpr const char* kIndice = "respaldo.txt";
  static constexpr const char* kNuevo = "nuevo";
  static constexpr const char* kCarpetaNueva = "carpeta";

  // One line of respaldo.txt (UTF-8 with a byte-order mark, tab-separated): the original path,
  // then its size and modification date when it was kept; "nuevo" and the size the run wrote
  // when the run created it; "carpeta" for a folder the run created.
  struct Entry {
    enum class Kind { Kept, New, Folder, Unknown };
    std::string original;
    Kind kind = Kind::Unknown;
    std::uint64_t size = 0;
    bool sized = false;
  };

  // pathApp ends in "\"; stamp is the program start's (stampOf).
  FileBackup(FileSystem& fs, UpdateLog& log, std::string pathApp, std::string stamp);

  // A start's stamp: AAAAMMDD-HHMMSS, e.g. 20261209-011500.
  static std::string stampOf(const LocalDateTime& when);
  // Whether a folder name under Respaldo\ is a backup's: a stamp, with "-N" (N from 2) when an
  // earlier run of the same second took the plain one; or the digits an older updater used.
  static bool isBackupName(const std::string& name);
  // Whether backup name a was made after b (both isBackupName).
  static bool newer(const std::string& a, const std::string& b);
  // The backup folder of a name, ending in "\".
  static std::string folderOf(const std::string& pathApp, const std::string& name);
  // A path resolved as Windows resolves it, lexically: "." and ".." parts and doubled
  // separators gone, "/" read as "\", a final "\" dropped; "\a" on the drive of pathApp. Empty
  // when it is no full path of a file or folder (relative, empty, a name Windows refuses).
  static std::string resolve(const std::string& path, const std::string& pathApp);
  // Where the copy of a resolved original path lies inside a backup folder.
  static std::string keptPath(const std::string& folder, const std::string& original);
  // The entries of a backup folder's respaldo.txt (CR LF or LF line ends), in order, one per
  // path (letter case aside): the first kept copy, the last size of a new file.
  static std::vector<Entry> read(const FileSystem& fs, const std::string& folder);

  // Called before target is replaced or created from source. The first call for a path keeps
  // the file (or notes it as new); later calls keep nothing, so the backup holds the file as it
  // was before the run. A target that is no file's full path is not kept: its step fails by
  // itself. A backup that cannot be written is thrown, so that the file is not replaced.
  void keep(const std::string& target, const std::string& source);
  // Called before a folder is created: notes it, when it does not exist yet.
  void keepFolder(const std::string& folder);
  // The run's backup folder ("\"-ended); empty until something was noted.
  const std::string& folder() const { return folder_; }

 private:
  void open();
  void add(const std::string& line);
  // A line in the update log.
  void note(const std::string& text);
  void makeFolders(const std::string& folder);
  // What a failed keep or keepFolder throws: the attempt, the backup folder it wrote to, the
  // cause, and what was left undone so that nothing is lost.
  AppError failure(const std::string& attempt, const AppError& cause,
                   const std::string& outcome) const;

  FileSystem& fs_;
  UpdateLog& log_;
  std::string pathApp_;
  std::string stamp_;
  std::string folder_;
  std::map<std::string, Entry::Kind> listed_;
};

}  // namespace fd
