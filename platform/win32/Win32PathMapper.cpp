// PathMapper on Windows: Windows paths are the host's own, so the mapping is the identity and
// the drives are the system's logical drives; the prefix means nothing here and stays empty.
#include <windows.h>

#include "platform/PathMapper.h"
#include "platform/win32/Win32Text.h"

namespace fs = std::filesystem;

namespace fd {

PathMapper::PathMapper(fs::path prefix) : prefix_(std::move(prefix)) {}

PathMapper PathMapper::fromEnvironment() {
  return PathMapper(fs::path());
}

std::map<char, fs::path> PathMapper::drives() const {
  std::map<char, fs::path> result;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (1u << i)) != 0) {
      const char letter = static_cast<char>('A' + i);
      result[letter] = fs::path(std::wstring{static_cast<wchar_t>(letter), L':', L'\\'});
    }
  }
  return result;
}

fs::path PathMapper::toHost(std::string_view windowsPath) const {
  return fs::path(widen(windowsPath));
}

std::string PathMapper::toWindows(const fs::path& hostPath) const {
  return narrow(hostPath.wstring());
}

}  // namespace fd
