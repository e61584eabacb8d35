#include "Win32TestFolder.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/win32/Win32Text.h"

namespace fs = std::filesystem;

namespace fd::test {

Win32TestFolder::Win32TestFolder() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  const fs::path folder = fs::path(temp) / (L"fd-win32-" + std::to_wstring(GetCurrentProcessId()) +
                                            L"-" + std::to_wstring(counter++));
  fs::remove_all(folder);
  fs::create_directories(folder);
  root_ = narrow(folder.wstring());
}

Win32TestFolder::~Win32TestFolder() {
  std::error_code ec;
  const fs::path folder(widen(root_));
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  fs::remove_all(folder, ec);
}

std::string Win32TestFolder::path(const std::string& name) const {
  return root_ + "\\" + name;
}

void Win32TestFolder::write(const std::string& name, const std::string& bytes) const {
  std::ofstream file(fs::path(widen(path(name))), std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) {
    throw std::runtime_error("cannot write " + name);
  }
}

std::string Win32TestFolder::read(const std::string& name) const {
  std::ifstream file(fs::path(widen(path(name))), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> Win32TestFolder::everything(const std::string& name) const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(widen(path(name))), ec)) {
    names.push_back(narrow(entry.path().filename().wstring()));
  }
  return names;
}

}  // namespace fd::test
