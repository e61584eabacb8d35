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

mode_t fileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void removePendingFileOnSignal() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ::signal(signal, removePendingAndExit);
  }
}

TargetFolder::TargetFolder(fs::path folder) : folder_(std::move(folder)) {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (!fs::is_directory(folder_)) {
    throw std::runtime_error("no se puede crear la carpeta " + folder_.string() +
                             (error ? ": " + error.message() : ""));
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
  std::string pattern = (folder_ / ".Winrar95-XXXXXX").string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    throw std::runtime_error("no se puede crear un archivo en " + folder_.string() + ": " +
                             std::strerror(errno));
  }
  setPending(pattern);
  return Pending(fd, pattern, name);
}

bool TargetFolder::commit(Pending& pending, std::time_t mtime, long mtimeNanoseconds) {
  const timespec times[2] = {{0, UTIME_NOW}, {mtime, mtimeNanoseconds}};
  const std::string final = finalName(pending.name_);
  const bool done = ::fchmod(pending.fd_, fileMode()) == 0 && ::futimens(pending.fd_, times) == 0 &&
                    ::close(pending.fd_) == 0;
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

void TargetFolder::discard(const std::string& name) {
  const std::string key = foldCase(name);
  if (written_.count(key) != 0) {
    return;
  }
  const auto found = names_.find(key);
  if (found == names_.end()) {
    return;
  }
  const fs::path path = folder_ / found->second;
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
  return folder_ / names_.at(key);
}

std::string TargetFolder::finalName(const std::string& name) const {
  const auto found = names_.find(foldCase(name));
  return found != names_.end() ? found->second : name;
}

}  // namespace fd
