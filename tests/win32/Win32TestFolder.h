#pragma once

#include <string>
#include <vector>

namespace fd::test {

// A new empty folder under the Windows temporary folder, removed with everything in it
// (read-only files included) when the object goes. Paths are Windows path texts in UTF-8.
class Win32TestFolder {
 public:
  Win32TestFolder();
  ~Win32TestFolder();
  Win32TestFolder(const Win32TestFolder&) = delete;
  Win32TestFolder& operator=(const Win32TestFolder&) = delete;

  // The folder's path followed by "\" and name.
  std::string path(const std::string& name = "") const;
  // Writes bytes as they are.
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;
  // The names of every entry of a folder, hidden ones included.
  std::vector<std::string> everything(const std::string& name = "") const;

 private:
  std::string root_;
};

}  // namespace fd::test
