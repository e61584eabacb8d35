#include "Win32UpdaterFixture.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/win32/Win32Text.h"
#include "session/Services.h"

namespace fs = std::filesystem;

namespace fd::test {

Win32UpdaterFixture::Win32UpdaterFixture() {
  fs::create_directories(fs::path(widen(act())));
  fs::create_directories(fs::path(widen(fendal() + "Comercial")));
}

Win32UpdaterFixture::~Win32UpdaterFixture() = default;

frmActualiza1& Win32UpdaterFixture::window() {
  if (!window_) {
    window_ = std::make_unique<frmActualiza1>(
        Services{fs, processes, clock, desktop, databases, paths, registry, folder.path("Act")});
    if (beforeLoad) {
      beforeLoad(*window_);
    }
    if (!window_->Form_Load()) {
      throw std::runtime_error("the window did not start");
    }
    window_->txtDirFD.setText(fendal());
    window_->txtDirFD_Validate();
  }
  return *window_;
}

void Win32UpdaterFixture::writeFile(const std::string& path, const std::string& bytes) {
  const fs::path file(widen(path));
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

std::string Win32UpdaterFixture::readFile(const std::string& path) {
  std::ifstream in(fs::path(widen(path)), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Win32UpdaterFixture::exists(const std::string& path) {
  return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Win32UpdaterFixture::builtProgram(const std::string& name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path here = fs::path(self).parent_path();
  for (const fs::path& candidate :
       {here / widen(name), here.parent_path() / L"bin" / widen(name)}) {
    if (fs::exists(candidate)) {
      return narrow(candidate.wstring());
    }
  }
  throw std::runtime_error(name + " was not built beside the tests");
}

std::vector<std::string> Win32UpdaterFixture::logTexts() const {
  std::vector<std::string> texts;
  for (const std::string& line : fs.readLines(window_->state.mArchivoLog)) {
    // "dd/mm/yyyy H:mm:ss" is followed directly by the entry's text.
    const std::size_t space = line.find(' ');
    const std::size_t after = space == std::string::npos ? space : line.find(' ', space + 1);
    const bool dated = line.size() > 10 && line[2] == '/' && line[5] == '/';
    texts.push_back(dated && after != std::string::npos ? line.substr(after) : line);
  }
  return texts;
}

}  // namespace fd::test
