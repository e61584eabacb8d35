#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PathMapper.h"

namespace fd {

// A throw-away Wine-style prefix under /tmp: drive_c, and dosdevices links once a test adds a
// drive of its own. Everything it made is removed when it goes, read-only folders included.
class TempPrefix {
 public:
  TempPrefix();
  ~TempPrefix();
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;

  const std::filesystem::path& root() const { return root_; }
  PathMapper& mapper() { return mapper_; }
  const PathMapper& mapper() const { return mapper_; }

  // Adds drive letter as a link in dosdevices to a new temporary folder and returns that folder.
  // The first drive added also creates the links of a real prefix: c: to drive_c and z: to /.
  std::filesystem::path addDrive(char letter);

  std::filesystem::path host(std::string_view windowsPath) const;
  // Writes bytes as they are, creating the missing folders on the way.
  void writeFile(std::string_view windowsPath, std::string_view bytes) const;
  void makeFolder(std::string_view windowsPath) const;
  // The bytes of a file; empty when it cannot be read.
  std::string readFile(std::string_view windowsPath) const;
  bool exists(std::string_view windowsPath) const;

 private:
  std::filesystem::path root_;
  PathMapper mapper_;
  std::vector<std::filesystem::path> extraFolders_;
};

// A new empty folder under /tmp, named after what it is for.
std::filesystem::path makeTempFolder(const std::string& purpose);

// Removes a folder tree, first giving write permission back to folders a test made read-only.
void removeTree(const std::filesystem::path& folder);

}  // namespace fd
