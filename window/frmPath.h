#pragma once

#include <string>
#include <vector>

namespace fd {

class FileSystem;
class PathMapper;

// The folder picker "Seleccionar carpeta" without its widgets: a drive list and a folder list.
// The folder it reports (Ruta) is the folder the folder list last moved to.
class frmPath {
 public:
  frmPath(const PathMapper& paths, const FileSystem& fs);

  static constexpr const char* kCaption = "Seleccionar carpeta";
  static constexpr int kKeyF12 = 123;
  // The folder list's entry that goes up to the parent folder.
  static constexpr const char* kUp = "..";

  // Starting folder before the picker opens; afterwards the folder shown, ending in "\".
  std::string Ruta;

  // Opens the lists on the starting folder (or on "C:\Fendal\" when it cannot be shown).
  void Form_Load();
  // The drive list's current drive ("c:") and the drives it offers.
  const std::string& Drive() const { return drive_; }
  std::vector<std::string> Drives() const;
  // Choosing a drive moves the folder list to that drive. Throws when the drive is missing.
  void setDrive(const std::string& drive);
  // The folder list's current folder (no final "\" except at a drive root) and its sub-folders.
  const std::string& Path() const { return path_; }
  std::vector<std::string> SubFolders() const;
  // Moving the folder list. Throws when the folder does not exist.
  void setPath(const std::string& path);
  // What the folder list shows: kUp first unless at a drive root, then the sub-folders (none
  // when the folder cannot be read).
  std::vector<std::string> Entries() const;
  // Opens an entry of the folder list: a sub-folder of the current folder, or its parent for
  // kUp. A folder gone since it was listed leaves the list where it stands.
  void openEntry(const std::string& name);
  // Chooses a drive of the drive list; one that cannot be read leaves the lists where they stood.
  void chooseDrive(const std::string& drive);
  // True when the key closes the picker (F12).
  bool Form_KeyDown(int keyCode);

 private:
  void Drive1_Change();
  void Dir1_Change();

  const PathMapper& paths_;
  const FileSystem& fs_;
  std::string drive_;
  std::string path_;
};

}  // namespace fd
