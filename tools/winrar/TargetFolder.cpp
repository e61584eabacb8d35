#include "tools/winrar/TargetFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace fd {

namespace fs = std::filesystem;

namespace {

// The few file calls that differ between the hosts. Names are UTF-8 on both: fs::path takes
// them as char8_t, since on Windows a plain std::string would be read in the system's code page.
#ifdef _WIN32
using NativeChar = wchar_t;

int createTemporary(const fs::path& folder, fs::path& created) {
  static unsigned count = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    created =
        folder / (L".Winrar95-" + std::to_wstring(_getpid()) + L"-" + std::to_wstring(count++));
    const int fd =
        ::_wopen(created.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) {
      return fd;
    }
  }
  return -1;
}

int writeSome(int fd, const char* bytes, std::size_t size) {
  return ::_write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

// Sets the modification time (Windows counts 100 ns steps from 1601) and closes the file.
bool finishFile(int fd, std::time_t mtime, long nanoseconds) {
  const auto ticks = static_cast<unsigned long long>(
      (static_cast<long long>(mtime) + 11644473600LL) * 10000000LL + nanoseconds / 100);
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  const bool timed = SetFileTime(handle, nullptr, nullptr, &time) != 0;
  return ::_close(fd) == 0 && timed;
}

bool renameOver(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void closeFile(int fd) {
  ::_close(fd);
}

void removeFile(const NativeChar* path) {
  ::_wunlink(path);
}

void onSignals(void (*handler)(int)) {
  for (int signal : {SIGINT, SIGTERM}) {
    ::signal(signal, handler);
  }
}
#else
using NativeChar = char;

int createTemporary(const fs::path& folder, fs::path& created) {
  std::string pattern = (folder / ".Winrar95-XXXXXX").string();
  const int fd = ::mkstemp(pattern.data());
  created = pattern;
  return fd;
}

int writeSome(int fd, const char* bytes, std::size_t size) {
  return static_cast<int>(::write(fd, bytes, std::min<std::size_t>(size, 1u << 30)));
}

mode_t fileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool finishFile(int fd, std::time_t mtime, long nanoseconds) {
  const timespec times[2] = {{0, UTIME_NOW}, {mtime, nanoseconds}};
  const bool done = ::fchmod(fd, fileMode()) == 0 && ::futimens(fd, times) == 0;
  return ::close(fd) == 0 && done;
}

bool renameOver(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

void closeFile(int fd) {
  ::close(fd);
}

void removeFile(const NativeChar* path) {
  ::unlink(path);
}

void onSignals(void (*handler)(int)) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ::signal(signal, handler);
  }
}
#endif

fs::path fromUtf8(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

std::string toUtf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The temporary file being written, for the signal handler.
NativeChar gPendingPath[4096];

void removePendingAndExit(int signal) {
  if (gPendingPath[0] != 0) {
    removeFile(gPendingPath);
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void setPending(const fs::path& path) {
  const auto& text = path.native();
  if (text.size() < sizeof gPendingPath / sizeof gPendingPath[0]) {
    std::copy(text.c_str(), text.c_str() + text.size() + 1, gPendingPath);
  }
}

void clearPending() {
  gPendingPath[0] = 0;
}

// Letter case folded as Windows does for ASCII and the Latin-1 letters (À..Þ to à..þ).
std::string foldCase(const std::string& name) {
  std::string folded = name;
  for (std::size_t i = 0; i < folded.size(); ++i) {
    const auto c = static_cast<unsigned char>(folded[i]);
    if (c >= 'A' && c <= 'Z') {
      folded[i] = static_cast<char>(c + ('a' - 'A'));
    } else if (c == 0xC3 && i + 1 < folded.size()) {
      const auto next = static_cast<unsigned char>(folded[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) {
        folded[i + 1] = static_cast<char>(next + 0x20);
      }
      ++i;
    }
  }
  return folded;
}

}  // namespace

void removePendingFileOnSignal() {
  onSignals(removePendingAndExit);
}

TargetFolder::TargetFolder(fs::path folder) : folder_(std::move(folder)) {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (!fs::is_directory(folder_)) {
    throw std::runtime_error("no se puede crear la carpeta " + toUtf8(folder_) +
                             (error ? ": " + error.message() : ""));
  }
  for (const auto& item : fs::directory_iterator(folder_, error)) {
    const std::string name = toUtf8(item.path().filename());
    names_.emplace(foldCase(name), name);
  }
}

TargetFolder::Pending::Pending(int fd, fs::path temporary, std::string name)
    : fd_(fd), temporary_(std::move(temporary)), name_(std::move(name)) {}

TargetFolder::Pending::Pending(Pending&& other) noexcept
    : fd_(other.fd_), temporary_(std::move(other.temporary_)), name_(std::move(other.name_)) {
  other.fd_ = -1;
  other.temporary_.clear();
}

TargetFolder::Pending::~Pending() {
  if (fd_ >= 0) {
    closeFile(fd_);
  }
  if (!temporary_.empty()) {
    removeFile(temporary_.c_str());
    clearPending();
  }
}

bool TargetFolder::Pending::write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const int done = writeSome(fd_, bytes, size);
    if (done < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    bytes += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

TargetFolder::Pending TargetFolder::begin(const std::string& name) {
  fs::path temporary;
  const int fd = createTemporary(folder_, temporary);
  if (fd < 0) {
    throw std::runtime_error("no se puede crear un archivo en " + toUtf8(folder_) + ": " +
                             std::strerror(errno));
  }
  setPending(temporary);
  return Pending(fd, temporary, name);
}

bool TargetFolder::commit(Pending& pending, std::time_t mtime, long mtimeNanoseconds) {
  const std::string final = finalName(pending.name_);
  const bool done = finishFile(pending.fd_, mtime, mtimeNanoseconds);
  pending.fd_ = -1;
  if (!done || !renameOver(pending.temporary_, folder_ / fromUtf8(final))) {
    return false;  // the destructor removes the temporary file
  }
  pending.temporary_.clear();
  clearPending();
  names_[foldCase(final)] = final;
  written_.insert(foldCase(final));
  return true;
}

void TargetFolder::discard(const std::string& name) {
  const std::string key = foldCase(name);
  if (written_.count(key) != 0) {
    return;
  }
  const auto found = names_.find(key);
  if (found == names_.end()) {
    return;
  }
  const fs::path path = folder_ / fromUtf8(found->second);
  std::error_code error;
  if (fs::is_regular_file(fs::symlink_status(path, error))) {
    fs::remove(path, error);
    names_.erase(found);
  }
}

fs::path TargetFolder::written(const std::string& name) const {
  const std::string key = foldCase(name);
  if (written_.count(key) == 0) {
    return {};
  }
  return folder_ / fromUtf8(names_.at(key));
}

std::string TargetFolder::finalName(const std::string& name) const {
  const auto found = names_.find(foldCase(name));
  return found != names_.end() ? found->second : name;
}

}  // namespace fd
