#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <csignal>

#include "platform/DescriptorWrites.h"
#include "platform/PathMapper.h"
#include "tools/winrar/RarHeaders.h"
#include "tools/winrar/WinrarHost.h"

namespace fd {

namespace fs = std::filesystem;

int openForReading(const fs::path& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

long long fileSize(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

long long readSome(int fd, char* data, std::size_t size) {
  return ::read(fd, data, size);
}

bool seekBy(int fd, long long step) {
  return ::lseek(fd, static_cast<off_t>(step), SEEK_CUR) >= 0;
}

long long readSomeAt(int fd, char* data, std::size_t size, std::uint64_t offset) {
  return ::pread(fd, data, size, static_cast<off_t>(offset));
}

int closeFile(int fd) {
  return ::close(fd);
}

int processId() {
  return ::getpid();
}

// Created with 0666, the umask gives the file the bits any new file gets.
int createFile(const fs::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool writeWhole(int fd, const char* bytes, std::size_t size) {
  return writeAll(fd, bytes, size);
}

bool setTime(int fd, std::time_t mtime, long nanoseconds) {
  const timespec times[2] = {{0, UTIME_NOW}, {mtime, nanoseconds}};
  return ::futimens(fd, times) == 0;
}

bool renameOver(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

int createUnnamed(const fs::path& folder) {
  return ::open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
}

bool canCreateUnnamed() {
  return canLinkUnnamed();
}

bool nameUnnamedFile(int fd, const fs::path& path) {
  return linkUnnamed(fd, path);
}

void removeFile(const NativeChar* path) {
  ::unlink(path);
}

void onEndSignals(void (*handler)(int)) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ::signal(signal, handler);
  }
  ::signal(SIGXFSZ, SIG_IGN);
}

// libarchive gives the UTF-8 name RAR on other systems stores, as the header holds it.
std::optional<std::string> hostEntryName(archive_entry*, const RarEntry&) {
  return std::nullopt;
}

std::optional<std::string> wideHardLinkTarget(archive_entry*) {
  return std::nullopt;
}

// A Windows path (with a drive or a leading "\") goes through the prefix's drives; a host path
// starting with "/" is taken as it is, and any other path is relative to the current folder.
fs::path argumentPath(const std::string& text) {
  const bool drive =
      text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
  if (drive || text.starts_with("\\")) {
    return PathMapper::fromEnvironment().toHost(text);
  }
  std::string host = text;
  if (!host.starts_with("/")) {
    for (char& c : host) {
      if (c == '\\') {
        c = '/';
      }
    }
  }
  return host;
}

}  // namespace fd
