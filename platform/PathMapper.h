#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace fd {

// Maps Windows path texts onto the host following the Wine prefix layout:
// drives from PREFIX/dosdevices/x: (links to host folders), or C: = PREFIX/drive_c and Z: = /
// when that folder is missing. Components are matched without regard to letter case (an exact
// match wins; a missing component keeps the case it was given). A path without a drive is on
// the default drive (the drive of the program's folder).
class PathMapper {
 public:
  explicit PathMapper(std::filesystem::path prefix);
  // The prefix of $WINEPREFIX, or ~/.wine when unset.
  static PathMapper fromEnvironment();

  const std::filesystem::path& prefix() const { return prefix_; }

  std::filesystem::path toHost(std::string_view windowsPath) const;
  // The Windows text of a host path: the drive whose folder is the longest prefix, Z: last.
  std::string toWindows(const std::filesystem::path& hostPath) const;

  // Drive letters (upper case) with their host folders, read afresh from the prefix.
  std::map<char, std::filesystem::path> drives() const;

  void setDefaultDrive(char letter) { defaultDrive_ = letter; }
  char defaultDrive() const { return defaultDrive_; }

 private:
  std::filesystem::path prefix_;
  char defaultDrive_ = 'C';
};

}  // namespace fd
