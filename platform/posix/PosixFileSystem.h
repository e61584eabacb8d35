#pragma once

#include "platform/FileSystem.h"
#include "platform/PathMapper.h"

namespace fd {

// The file system of a POSIX host, reached through the Wine prefix mapping.
//
// - Write permission is judged by the owner's write bit, so a file or folder without it refuses
//   writes also to root, as the read-only attribute does on Windows.
// - Hidden files are those whose name starts with "."; they are not ordinary files.
// - A copy over an existing file keeps its permission bits, and its owner and group as far as
//   this process may set them; a symbolic link at the target stays, and the file it names is
//   replaced. Where the folder may not be written but the file may, the file is rewritten in
//   place: the one copy that is not atomic. A new file takes the source's permission bits; where
//   the file system allows, it is written without a name and named once whole.
// - A full disk, a quota or the file-size limit fail with 61 (disk full).
// - listFiles gives the names sorted without regard to letter case (ties in byte order); there is
//   no archive attribute on POSIX, so admitArchived changes nothing. listFolders leaves hidden
//   folders out too.
class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(const PathMapper& paths);

  bool folderExists(const std::string& path) const override;
  void createFolder(const std::string& path) override;
  bool fileExists(const std::string& path) const override;
  bool ordinaryFileExists(const std::string& path) const override;
  void copyFile(const std::string& source, const std::string& target, bool overwrite) override;
  void removeFile(const std::string& path) override;
  void removeFolder(const std::string& path) override;
  LocalDateTime lastModified(const std::string& path) const override;
  std::uint64_t fileSize(const std::string& path) const override;
  // A regular file is archive (32), plus read-only without its owner's write bit, plus hidden
  // when its name starts with "."; a folder is 16 (plus those two).
  int attributes(const std::string& path) const override;
  std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern,
                                     bool admitArchived) const override;
  std::vector<std::string> listFolders(const std::string& folder) const override;
  std::vector<std::string> readLines(const std::string& path) const override;
  void writeLines(const std::string& path, const std::vector<std::string>& lines,
                  bool append) override;
  std::string readBytes(const std::string& path) const override;
  void writeBytes(const std::string& path, const std::string& bytes, bool createNew) override;

 private:
  const PathMapper& paths_;
};

}  // namespace fd
