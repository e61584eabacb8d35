#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DateTime.h"

namespace fd {

// File attribute bits, with the values of the platform the updater was written for.
namespace attr {
constexpr int kReadOnly = 1;
constexpr int kHidden = 2;
constexpr int kSystem = 4;
constexpr int kDirectory = 16;
constexpr int kArchive = 32;
// A symbolic link or junction (POSIX: a symbolic link); the other bits are its target's.
constexpr int kReparsePoint = 1024;
}  // namespace attr

// File-system operations on Windows path texts ("C:\Fendal\Comercial\"). The implementation maps
// them onto the host; failures are thrown as AppError with the platform's numbers (53, 58, 70,
// 75, 76). Text files go through the ANSI codec: UTF-8 inside, CR LF or a lone CR read as a line
// end, CR LF written.
//
// Where the hosts differ (the rest behaves alike):
// - Letter case: Windows itself finds names without regard to case (Win32FileSystem). A POSIX
//   host imitates it through the Wine-prefix mapping (PathMapper: an exact name wins, a missing
//   one keeps the case it was given), so names differing only in case can live side by side
//   there; a path reaches the one spelt exactly as it, else the first in byte order.
// - Hidden files: the system's attribute bits on Windows, a name starting with "." on POSIX;
//   the archive bit exists only on Windows.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool folderExists(const std::string& path) const = 0;
  // Creates one folder level: 58 when it exists, 76 when its parent does not.
  virtual void createFolder(const std::string& path) = 0;
  virtual bool fileExists(const std::string& path) const = 0;
  // A file that is neither hidden nor a system file nor a folder.
  virtual bool ordinaryFileExists(const std::string& path) const = 0;
  // Copies a file; an existing target is replaced only with overwrite, and never left
  // half-written: the copy is written beside it and renamed over it. A new file takes the
  // source's permissions, a replaced one keeps its own (see each host for the details).
  virtual void copyFile(const std::string& source, const std::string& target, bool overwrite) = 0;
  virtual void removeFile(const std::string& path) = 0;
  // Removes an empty folder (a symbolic link to one is not a folder: 76).
  virtual void removeFolder(const std::string& path) = 0;
  virtual LocalDateTime lastModified(const std::string& path) const = 0;
  // The size of a file in bytes; 53 when it does not exist.
  virtual std::uint64_t fileSize(const std::string& path) const = 0;
  // The attribute bits of a file or folder (attr constants); 53 when it does not exist.
  virtual int attributes(const std::string& path) const = 0;
  // Names (not paths) of the ordinary files of a folder matching a pattern ("*.rar",
  // "fdCom*.ini", "*.*") without regard to letter case, in listing order; with admitArchived
  // also files marked for archiving. An unreadable or missing folder lists nothing.
  virtual std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern,
                                             bool admitArchived) const = 0;
  // Names of the sub-folders of a folder, sorted without regard to letter case.
  virtual std::vector<std::string> listFolders(const std::string& folder) const = 0;

  // The lines of a text file (53 when it does not exist, 70 when it cannot be opened).
  virtual std::vector<std::string> readLines(const std::string& path) const = 0;
  // Writes lines, each ended by CR LF, appending or from the start.
  virtual void writeLines(const std::string& path, const std::vector<std::string>& lines,
                          bool append) = 0;
  // The bytes of a file as they are, without the ANSI codec: 53 when it does not exist, 70 when
  // it is a folder or a symbolic link (never read through one).
  virtual std::string readBytes(const std::string& path) const = 0;
  // Writes bytes as they are, never through a symbolic link: with createNew into a file made
  // now (58 when anything of that name exists, a link too), else appended to an existing file.
  virtual void writeBytes(const std::string& path, const std::string& bytes, bool createNew) = 0;
  void appendLine(const std::string& path, const std::string& line) {
    writeLines(path, {line}, true);
  }
};

}  // namespace fd
