#include "tools/winrar/TargetFolder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "tools/winrar/WinrarHost.h"

namespace fd {

namespace fs = std::filesystem;

namespace {

// Sets the modification time and closes the file, whatever the first step gives.
bool finishFile(int fd, std::time_t mtime, long nanoseconds) {
  const bool timed = setTime(fd, mtime, nanoseconds);
  return closeFile(fd) == 0 && timed;
}

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
  onEndSignals(removePendingAndExit);
}

std::string systemReason(int error) {
  switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "no queda espacio en el disco";
    case EFBIG:
      return "se superó el tamaño máximo de archivo permitido";
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case EROFS:
      return "el disco es de solo lectura";
    case ENOENT:
      return "no existe";
    case EISDIR:
      return "es una carpeta";
    case ENAMETOOLONG:
      return "el nombre es demasiado largo";
    default:
      return std::strerror(error);
  }
}

TargetFolder::TargetFolder(fs::path folder)
    : folder_(std::move(folder)),
      temporaryPrefix_(".Winrar95-" + std::to_string(processId()) + "-"),
      unnamed_(canCreateUnnamed()) {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (!fs::is_directory(folder_)) {
    throw std::runtime_error("no se puede crear la carpeta " + toUtf8(folder_) +
                             (error ? ": " + systemReason(error.value()) : ""));
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
  return writeWhole(fd_, static_cast<const char*>(data), size);
}

TargetFolder::Pending TargetFolder::begin(const std::string& name) {
  if (unnamed_ && names_.count(foldCase(name)) == 0) {
    const int fd = createUnnamed(folder_);
    if (fd >= 0) {
      clearPending();
      return Pending(fd, {}, name);
    }
    unnamed_ = false;
  }
  // A name left by a killed extractor is stepped over.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const fs::path path = nextTemporary();
    const int fd = createFile(path);
    if (fd >= 0) {
      setPending(path);
      return Pending(fd, path, name);
    }
    if (errno != EEXIST) {
      break;
    }
  }
  throw std::runtime_error("no se puede crear un archivo en " + toUtf8(folder_) + ": " +
                           systemReason(errno));
}

bool TargetFolder::commit(Pending& pending, std::time_t mtime, long mtimeNanoseconds) {
  const std::string final = finalName(pending.name_);
  const fs::path path = folder_ / fromUtf8(final);
  const int fd = std::exchange(pending.fd_, -1);
  if (pending.temporary_.empty()) {
    if (!commitUnnamed(fd, path, mtime, mtimeNanoseconds)) {
      return false;
    }
  } else {
    if (!finishFile(fd, mtime, mtimeNanoseconds) || !renameOver(pending.temporary_, path)) {
      return false;  // the destructor removes the temporary file
    }
    pending.temporary_.clear();
    clearPending();
  }
  names_[foldCase(final)] = final;
  written_.insert(foldCase(final));
  return true;
}

bool TargetFolder::commitUnnamed(int fd, const fs::path& path, std::time_t mtime,
                                 long mtimeNanoseconds) {
  bool linked = setTime(fd, mtime, mtimeNanoseconds) && nameUnnamedFile(fd, path);
  // A file another program put there since the folder was read is replaced as any other.
  if (!linked && errno == EEXIST) {
    linked = linkOver(fd, path);
  }
  const int error = errno;
  if (closeFile(fd) != 0 && linked) {
    removeFile(path.c_str());
    return false;
  }
  errno = error;
  return linked;
}

bool TargetFolder::linkOver(int fd, const fs::path& path) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const fs::path temporary = nextTemporary();
    if (nameUnnamedFile(fd, temporary)) {
      if (renameOver(temporary, path)) {
        return true;
      }
      const int error = errno;
      removeFile(temporary.c_str());
      errno = error;
      return false;
    }
    if (errno != EEXIST) {
      return false;
    }
  }
  return false;
}

fs::path TargetFolder::nextTemporary() {
  return folder_ / (temporaryPrefix_ + std::to_string(temporaries_++));
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
