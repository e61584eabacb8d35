#include <archive_entry.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "platform/PathMapper.h"
#include "platform/WideText.h"
#include "tools/winrar/RarHeaders.h"
#include "tools/winrar/WinrarHost.h"

namespace fd {

namespace fs = std::filesystem;

int openForReading(const fs::path& path) {
  return ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

long long fileSize(int fd) {
  return ::_filelengthi64(fd);
}

long long readSome(int fd, char* data, std::size_t size) {
  return ::_read(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

bool seekBy(int fd, long long step) {
  return ::_lseeki64(fd, step, SEEK_CUR) >= 0;
}

// Windows has no pread: the position is put back after the read.
long long readSomeAt(int fd, char* data, std::size_t size, std::uint64_t offset) {
  const long long position = ::_lseeki64(fd, 0, SEEK_CUR);
  if (position < 0 || ::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0) {
    return -1;
  }
  const long long got = readSome(fd, data, size);
  const int error = errno;
  if (::_lseeki64(fd, position, SEEK_SET) < 0) {
    return -1;
  }
  errno = error;
  return got;
}

int closeFile(int fd) {
  return ::_close(fd);
}

int processId() {
  return ::_getpid();
}

int createFile(const fs::path& path) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}

bool writeWhole(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const int done =
        ::_write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
    if (done < 0 && errno != EINTR) {
      return false;
    }
    if (done > 0) {
      bytes += done;
      size -= static_cast<std::size_t>(done);
    }
  }
  return true;
}

// Windows counts 100 ns steps from 1601.
bool setTime(int fd, std::time_t mtime, long nanoseconds) {
  const auto ticks = static_cast<unsigned long long>(
      (static_cast<long long>(mtime) + 11644473600LL) * 10000000LL + nanoseconds / 100);
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  return SetFileTime(handle, nullptr, nullptr, &time) != 0;
}

bool renameOver(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Windows has no files without a name: every file is written under a temporary one.
int createUnnamed(const fs::path&) {
  return -1;
}

bool canCreateUnnamed() {
  return false;
}

bool nameUnnamedFile(int, const fs::path&) {
  return false;
}

void removeFile(const NativeChar* path) {
  ::_wunlink(path);
}

void onEndSignals(void (*handler)(int)) {
  for (int signal : {SIGINT, SIGTERM}) {
    ::signal(signal, handler);
  }
}

// libarchive keeps names as wide text here, its UTF-8 form goes through the system's code page,
// and a name stored without its Unicode form is read in the OEM code page; RAR on other systems
// stores UTF-8 there, which the header holds as it is.
std::optional<std::string> hostEntryName(archive_entry* entry, const RarEntry& header) {
  if (header.nameComparable &&
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, header.name.data(),
                          static_cast<int>(header.name.size()), nullptr, 0) > 0) {
    return header.name;
  }
  if (const wchar_t* wide = archive_entry_pathname_w(entry)) {
    return narrow(wide);
  }
  return std::nullopt;
}

// The UTF-8 form comes first: libarchive has neither a wide nor a narrow form of a name that the
// code page cannot spell, and the link would pass for an empty file.
std::optional<std::string> wideHardLinkTarget(archive_entry* entry) {
  if (const wchar_t* wide = archive_entry_hardlink_w(entry)) {
    return narrow(wide);
  }
  return std::nullopt;
}

// Every path is the host's own on Windows.
fs::path argumentPath(const std::string& text) {
  return PathMapper::fromEnvironment().toHost(text);
}

}  // namespace fd
