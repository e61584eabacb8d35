#pragma once

#include "platform/FileSystem.h"

namespace fd {

// The file system of Windows through the wide API; Windows paths are used as they are.
//
// - Names compare without regard to letter case because the system's do (a platform fact, not
//   a rule of ours), and hidden or system files are those with the system's attribute bits.
// - listFiles gives the files whose long names match the pattern (the system's wildcards,
//   PathMatchSpecW) that are neither hidden, system files nor folders, sorted without regard to
//   letter case (ties in byte order) so that the order does not depend on the volume. As the
//   platform's own listing does, the ordinary listing already holds files marked for archiving, so
//   admitArchived changes nothing.
// - A copy over an existing file is written to a hidden file beside the target and moved over
//   it with MoveFileExW, so the target is never half-written.
// - A folder marked read-only still accepts new files, as on Windows.
class Win32FileSystem : public FileSystem {
 public:
  bool folderExists(const std::string& path) const override;
  void createFolder(const std::string& path) override;
  bool fileExists(const std::string& path) const override;
  bool ordinaryFileExists(const std::string& path) const override;
  void copyFile(const std::string& source, const std::string& target, bool overwrite) override;
  void removeFile(const std::string& path) override;
  void removeFolder(const std::string& path) override;
  LocalDateTime lastModified(const std::string& path) const override;
  std::uint64_t fileSize(const std::string& path) const override;
  int attributes(const std::string& path) const override;
  std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern,
                                     bool admitArchived) const override;
  std::vector<std::string> listFolders(const std::string& folder) const override;
  std::vector<std::string> readLines(const std::string& path) const override;
  void writeLines(const std::string& path, const std::vector<std::string>& lines,
                  bool append) override;
  std::string readBytes(const std::string& path) const override;
  void writeBytes(const std::string& path, const std::string& bytes, bool createNew) override;
};

// The platform's number for a Win32 error code of a file operation.
int fileErrorNumber(unsigned long win32Error);

}  // namespace fd
