#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace fd {

// Maps Windows path texts onto the host following the Wine prefix layout:
// drives from PREFIX/dosdevices/x: (links to host folders), or C: = PREFIX/drive_c and Z: = /
// when that folder is missing. Components are matched without regard to letter case (an exact
// match wins; a missing component keeps the case it was given). A path without a drive is on
// the default drive (the drive of the program's folder). On Windows (win32/) the mapping is the
// identity and the drives are the system's; the folder stamps and listings are POSIX's alone.
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

  // A host folder's identity and change times: while they stay the same, so do its entries.
  struct FolderStamp {
    unsigned long long device = 0, inode = 0;
    long long modified = 0, modifiedNs = 0, changed = 0, changedNs = 0;
    bool operator==(const FolderStamp&) const = default;
  };
  static std::optional<FolderStamp> stampOf(const std::filesystem::path& hostFolder);
  static FolderStamp stampOf(const struct stat& folderInfo);
  // Tells the mapper that the file name was just made in hostFolder, whose stamp was before
  // until then, so that a listing of the folder kept from that state need not be read again.
  // (Where folder times are only as fine as the kernel's clock tick, a name another program
  // makes in the same tick goes unseen until the folder changes again.)
  void noteCreated(const std::filesystem::path& hostFolder, const std::string& name,
                   const FolderStamp& before) const;

 private:
  // A folder's entries by folded name (the first in byte order among names that fold alike),
  // kept from one case-insensitive lookup to the next while the folder's stamp stays the same:
  // reading a folder of thousands of files for every file copied into it made the copy grow
  // with the square of the files.
  struct Listing {
    FolderStamp stamp;
    // False when the folder had changed within the clock tick of its reading, which a later
    // change in that tick would not show in the stamp.
    bool settled = false;
    std::map<std::string, std::string> names;
  };
  std::optional<std::string> findIgnoringCase(const std::filesystem::path& folder,
                                              const std::string& name) const;
  // The drives as drives() gives them, read again only when the dosdevices folder changed: a
  // copy maps two paths a file, and reading the links each time was most of its mapping.
  const std::map<char, std::filesystem::path>& currentDrives() const;

  std::filesystem::path prefix_;
  char defaultDrive_ = 'C';
  mutable std::map<std::string, Listing> listings_;
  struct DriveTable {
    FolderStamp stamp;
    bool settled = false;  // as a listing's
    std::map<char, std::filesystem::path> drives;
  };
  mutable std::optional<DriveTable> drives_;
};

}  // namespace fd
