#include "tools/winrar/TargetFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace fd {

namespace fs = std::filesystem;

namespace {

// The temporary file being written, for the signal handler.
char gPendingPath[4096];

void removePendingAndExit(int signal) {
  if (gPendingPath[0] != '\0') {
    ::unlink(gPendingPath);
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void setPending(const fs::path& path) {
  const std::string text = path.string();
  if (text.size() < sizeof gPendingPath) {
    std::memcpy(gPendingPath, text.c_str(), text.size() + 1);
  }
}

void clearPending() {
  gPendingPath[0] = '\0';
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
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ::signal(signal, removePendingAndExit);
  }
  ::signal(SIGXFSZ, SIG_IGN);
}

std::string systemReason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
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
      temporaryPrefix_(".Winrar95-" + std::to_string(::getpid()) + "-") {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (!fs::is_directory(folder_)) {
    throw std::runtime_error("no se puede crear la carpeta " + folder_.string() +
                             (error ? ": " + systemReason(error.value()) : ""));
  }
  for (const auto& item : fs::directory_iterator(folder_, error)) {
    const std::string name = item.path().filename().string();
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
    ::close(fd_);
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    clearPending();
  }
}

bool TargetFolder::Pending::write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t done = ::write(fd_, bytes, size);
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
  // Created with 0666, the umask gives the file the bits any new file gets. A name left by a killed
  // extractor is stepped over.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const fs::path path = folder_ / (temporaryPrefix_ + std::to_string(temporaries_++));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      setPending(path);
      return Pending(fd, path, name);
    }
    if (errno != EEXIST) {
      break;
    }
  }
  throw std::runtime_error("no se puede crear un archivo en " + folder_.string() + ": " +
                           systemReason(errno));
}

bool TargetFolder::commit(Pending& pending, std::time_t mtime, long mtimeNanoseconds) {
  const timespec times[2] = {{0, UTIME_NOW}, {mtime, mtimeNanoseconds}};
  const std::string final = finalName(pending.name_);
  const bool done = ::futimens(pending.fd_, times) == 0 && ::close(pending.fd_) == 0;
  pending.fd_ = -1;
  if (!done || ::rename(pending.temporary_.c_str(), (folder_ / final).c_str()) != 0) {
    return false;  // the destructor removes the temporary file
  }
  pending.temporary_.clear();
  clearPending();
  names_[foldCase(final)] = final;
  written_.insert(foldCase(final));
  return true;
}

fs::path TargetFolder::written(const std::string& name) const {
  const std::string key = foldCase(name);
  if (written_.count(key) == 0) {
    return {};
  }
  return folder_ / names_.at(key);
}

std::string TargetFolder::finalName(const std::string& name) const {
  const auto found = names_.find(foldCase(name));
  return found != names_.end() ? found->second : name;
}

}  // namespace fd
