#include "TempPrefix.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace fd {

fs::path makeTempFolder(const std::string& purpose) {
  std::string pattern = "/tmp/fd-" + purpose + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder " + pattern);
  }
  return pattern;
}

void removeTree(const fs::path& folder) {
  std::error_code ec;
  if (folder.empty() || !fs::exists(fs::symlink_status(folder, ec))) {
    return;
  }
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  // remove_all removes symbolic links themselves, never what they point to (z: is "/").
  fs::remove_all(folder, ec);
}

TempPrefix::TempPrefix() : root_(makeTempFolder("prefix")), mapper_(root_) {
  fs::create_directory(root_ / "drive_c");
}

TempPrefix::~TempPrefix() {
  removeTree(root_);
  for (const fs::path& folder : extraFolders_) {
    removeTree(folder);
  }
}

fs::path TempPrefix::addDrive(char letter) {
  const fs::path dosdevices = root_ / "dosdevices";
  if (!fs::exists(dosdevices)) {
    fs::create_directory(dosdevices);
    fs::create_directory_symlink("../drive_c", dosdevices / "c:");
    fs::create_directory_symlink("/", dosdevices / "z:");
  }
  fs::path folder = makeTempFolder(std::string("drive") + letter);
  extraFolders_.push_back(folder);
  const fs::path link =
      dosdevices / (std::string(1, static_cast<char>(std::tolower(letter))) + ":");
  fs::remove(link);
  fs::create_directory_symlink(folder, link);
  return folder;
}

fs::path TempPrefix::host(std::string_view windowsPath) const {
  return mapper_.toHost(windowsPath);
}

void TempPrefix::writeFile(std::string_view windowsPath, std::string_view bytes) const {
  const fs::path path = host(windowsPath);
  fs::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

void TempPrefix::makeFolder(std::string_view windowsPath) const {
  fs::create_directories(host(windowsPath));
}

std::string TempPrefix::readFile(std::string_view windowsPath) const {
  std::ifstream file(host(windowsPath), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool TempPrefix::exists(std::string_view windowsPath) const {
  return fs::exists(host(windowsPath));
}

}  // namespace fd
