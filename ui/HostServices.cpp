#include "ui/HostServices.h"

#include <cctype>
#ifdef _WIN32
#include <windows.h>
#endif

namespace fd {

namespace {

std::filesystem::path executableFolder() {
#ifdef _WIN32
  // Read as wide text so that no name is lost to the code page.
  std::wstring name(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()))) ==
         name.size()) {
    name.resize(name.size() * 2);
  }
  name.resize(length);
  return std::filesystem::path(name).parent_path();
#else
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

}  // namespace

HostServices::HostServices()
    : paths_(PathMapper::fromEnvironment()),
      hostFolder_(executableFolder()),
      programFolder_(paths_.toWindows(hostFolder_)) {
  // A path without a drive is on the drive the updater runs from.
  if (programFolder_.size() >= 2 && programFolder_[1] == ':') {
    paths_.setDefaultDrive(
        static_cast<char>(std::toupper(static_cast<unsigned char>(programFolder_[0]))));
  }
#ifndef _WIN32
  fs_ = std::make_unique<PosixFileSystem>(paths_);
  processes_ = std::make_unique<PosixProcesses>(paths_, hostFolder_);
  registry_ = std::make_unique<RegFileRegistry>(registryFilePath(paths_));
#endif
}

Services HostServices::services(Desktop& desktop) {
#ifdef _WIN32
  return Services{fs_, processes_, clock_, desktop, databases_, paths_, registry_, programFolder_};
#else
  return Services{*fs_,       *processes_, clock_,     desktop,
                  databases_, paths_,      *registry_, programFolder_};
#endif
}

}  // namespace fd
