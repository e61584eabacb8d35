#include "window/frmPath.h"

#include <cctype>

#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/PathMapper.h"

namespace fd {

namespace {
constexpr const char* kRaizPorDefecto = "C:\\Fendal\\";
// The platform's error for a drive that is not there.
constexpr int kDispositivoNoDisponible = 68;

std::string driveOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') {
    return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])))) +
           ":";
  }
  return "";
}

std::string parentOf(const std::string& path) {
  // "C:\a\b" goes to "C:\a"; "C:\a" to the drive root "C:\".
  const std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos || slash + 1 >= path.size())
    return path;
  return slash <= 2 ? path.substr(0, slash + 1) : path.substr(0, slash);
}
}  // namespace

frmPath::frmPath(const PathMapper& paths, const FileSystem& fs) : paths_(paths), fs_(fs) {
  drive_ = std::string(1, static_cast<char>(std::tolower(paths_.defaultDrive()))) + ":";
  path_ = std::string(1, paths_.defaultDrive()) + ":\\";
}

void frmPath::Form_Load() {
  // The list events below overwrite Ruta.
  const std::string start = Ruta;
  if (start.empty())
    return;
  try {
    setDrive(driveOf(start));
    setPath(start);
  } catch (const AppError&) {
    try {
      setDrive(driveOf(kRaizPorDefecto));
      setPath(kRaizPorDefecto);
    } catch (const AppError&) {
      // The lists stay where they stand.
    }
  }
}

std::vector<std::string> frmPath::Drives() const {
  std::vector<std::string> drives;
  for (const auto& [letter, host] : paths_.drives()) {
    drives.push_back(std::string(1, static_cast<char>(std::tolower(letter))) + ":");
  }
  return drives;
}

void frmPath::setDrive(const std::string& drive) {
  if (drive.size() != 2 || drive[1] != ':' ||
      !paths_.drives().contains(static_cast<char>(std::toupper(drive[0])))) {
    throw platformError(kDispositivoNoDisponible, "frmPath");
  }
  if (drive == drive_)
    return;
  drive_ = drive;
  Drive1_Change();
}

std::vector<std::string> frmPath::SubFolders() const {
  return fs_.listFolders(path_);
}

void frmPath::setPath(const std::string& path) {
  std::string folder = path;
  // A folder list shows a folder without its final "\", except at a drive root.
  while (folder.size() > 3 && folder.ends_with('\\'))
    folder.pop_back();
  if (folder.size() == 2 && folder[1] == ':')
    folder += "\\";
  if (!fs_.folderExists(folder))
    throw platformError(err::kPathNotFound, "frmPath");
  if (folder == path_) {
    Dir1_Change();
    return;
  }
  path_ = folder;
  Dir1_Change();
}

std::vector<std::string> frmPath::Entries() const {
  std::vector<std::string> entries;
  if (parentOf(path_) != path_)
    entries.push_back(kUp);
  try {
    for (std::string& name : SubFolders())
      entries.push_back(std::move(name));
  } catch (const AppError&) {
    // An unreadable folder shows no sub-folders.
  }
  return entries;
}

void frmPath::openEntry(const std::string& name) {
  const std::string target =
      name == kUp ? parentOf(path_) : path_ + (path_.ends_with('\\') ? "" : "\\") + name;
  try {
    setPath(target);
  } catch (const AppError&) {
    // The folder went away since it was listed.
  }
}

void frmPath::chooseDrive(const std::string& drive) {
  try {
    setDrive(drive);
  } catch (const AppError&) {
    // The lists stay where they stood.
  }
}

bool frmPath::Form_KeyDown(int keyCode) {
  return keyCode == kKeyF12;
}

void frmPath::Drive1_Change() {
  // The folder list moves to the drive's current folder: its root here.
  setPath(std::string(1, static_cast<char>(std::toupper(drive_[0]))) + ":\\");
}

void frmPath::Dir1_Change() {
  Ruta = path_.ends_with('\\') ? path_ : path_ + "\\";
}

}  // namespace fd
