#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/ReadChunks.h"
#include "platform/posix/UnnamedFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"

namespace fs = std::filesystem;

namespace fd {

namespace {

constexpr const char* kSource = "FileSystem";

[[noreturn]] void fail(int number) {
  throw platformError(number, kSource);
}

// The platform's number for a failed system call whose path is known to be reachable.
[[noreturn]] void failWithErrno(int errnum) {
  switch (errnum) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
    case EISDIR:
      fail(err::kPermissionDenied);
    case ENOENT:
      fail(err::kFileNotFound);
    case ENOTDIR:
      fail(err::kPathNotFound);
    case EEXIST:
      fail(err::kFileExists);
    // A write past the file-size limit fails as a full disk does.
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      fail(err::kDiskFull);
    default:
      fail(err::kPathFileAccess);
  }
}

bool statPath(const fs::path& path, struct stat& info) {
  return ::stat(path.c_str(), &info) == 0;
}

bool isFolder(const fs::path& path) {
  struct stat info;
  return statPath(path, info) && S_ISDIR(info.st_mode);
}

// The read-only attribute of Windows: the owner may not write.
bool readOnly(const struct stat& info) {
  return (info.st_mode & S_IWUSR) == 0;
}

bool isHidden(const fs::path& path) {
  return path.filename().string().starts_with('.');
}

// A path that does not exist: 53 when its folder exists, 76 when the folder does not.
[[noreturn]] void failMissing(const fs::path& path) {
  fail(isFolder(path.parent_path()) ? err::kFileNotFound : err::kPathNotFound);
}

// Checks that a new entry may be made in the folder of path.
void requireWritableFolder(const fs::path& path) {
  struct stat info;
  if (!statPath(path.parent_path(), info) || !S_ISDIR(info.st_mode)) {
    fail(err::kPathNotFound);
  }
  if (readOnly(info)) {
    fail(err::kPermissionDenied);
  }
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting whether every write reached the file.
  bool close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
};

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool copyByReadAndWrite(int from, int to) {
  return readChunks(from, [to](const char* data, size_t size) { return writeAll(to, data, size); });
}

// Copies what is left of from into to, both at their current offsets: size bytes when known
// (else 0), which saves asking the kernel once more for the end. The kernel moves the data itself
// where it can (and shares the blocks where the file system allows).
bool copyContents(int from, int to, off_t size = 0) {
  bool copied = false;
  for (off_t total = 0;;) {
    ssize_t done = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
    if (done > 0) {
      copied = true;
      total += done;
      if (total == size) {
        return true;
      }
    } else if (done == 0) {
      return true;
    } else if (errno == EINTR) {
      continue;
    } else if (!copied &&
               (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
      return copyByReadAndWrite(from, to);
    } else {
      return false;
    }
  }
}

// The file a copy to path replaces, if any, with its path: a symbolic link is followed to the file
// it names, which the copy replaces while the link stays.
std::optional<struct stat> existingTarget(fs::path& path) {
  struct stat info;
  for (int links = 0; ::lstat(path.c_str(), &info) == 0; ++links) {
    if (!S_ISLNK(info.st_mode)) {
      return info;
    }
    std::error_code ec;
    const fs::path named = fs::read_symlink(path, ec);
    if (ec || links == 40) {
      fail(err::kPathFileAccess);
    }
    path = path.parent_path() / named;
  }
  return std::nullopt;
}

// Gives the copy the owner and group of the file it replaces, as far as this process may.
bool keepOwner(int fd, const struct stat& replaced) {
  if (::fchown(fd, replaced.st_uid, replaced.st_gid) == 0 ||
      (errno == EPERM && ::fchown(fd, static_cast<uid_t>(-1), replaced.st_gid) == 0)) {
    return true;
  }
  return errno == EPERM;
}

// Writes the source over an existing file in its place, for a folder that may not be written
// but whose file may. Unlike every other copy this one is not atomic: the file is rewritten
// where it is. The space is reserved first, so that a full disk or a size limit fails before
// the old contents change.
void writeInPlace(int input, const fs::path& target, off_t size, const timespec times[2]) {
  Descriptor output(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
  if (output.get() < 0) {
    failWithErrno(errno);
  }
  if (size > 0 && ::fallocate(output.get(), 0, 0, size) != 0 && errno != EOPNOTSUPP) {
    failWithErrno(errno);
  }
  int errnum = 0;
  if (!copyContents(input, output.get(), size)) {
    errnum = errno;
  }
  // What is left beyond the new end belonged to the old contents.
  const off_t end = ::lseek(output.get(), 0, SEEK_CUR);
  if (errnum == 0 &&
      (end < 0 || ::ftruncate(output.get(), end) != 0 || ::futimens(output.get(), times) != 0)) {
    errnum = errno;
  }
  if (!output.close() && errnum == 0) {
    errnum = errno;
  }
  if (errnum != 0) {
    failWithErrno(errnum);
  }
}

enum class Unnamed { kCopied, kUnsupported, kExists, kFailed };

// Copies a new file the way that leaves nothing half-written and touches the folder's entries
// once: written into a file of the folder that has no name yet and named only when whole, so that
// a copy cut short, by a kill too, leaves nothing. kUnsupported where the file system (or a host
// without /proc) has no such files, before anything was read; errno holds why it failed.
Unnamed copyUnnamed(int input, off_t size, const fs::path& folder, const fs::path& target,
                    mode_t mode, const timespec times[2]) {
  if (!canLinkUnnamed()) {
    return Unnamed::kUnsupported;
  }
  Descriptor output(::open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0600));
  if (output.get() < 0) {
    return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? Unnamed::kUnsupported
                                                                     : Unnamed::kFailed;
  }
  if (!copyContents(input, output.get(), size) || ::fchmod(output.get(), mode) != 0 ||
      ::futimens(output.get(), times) != 0) {
    return Unnamed::kFailed;
  }
  if (!linkUnnamed(output.get(), target)) {
    return errno == EEXIST ? Unnamed::kExists : Unnamed::kFailed;
  }
  if (!output.close()) {
    const int errnum = errno;
    ::unlink(target.c_str());
    errno = errnum;
    return Unnamed::kFailed;
  }
  return Unnamed::kCopied;
}

bool endsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// Advances past one UTF-8 character.
size_t nextCharacter(const std::string& text, size_t pos) {
  ++pos;
  while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) {
    ++pos;
  }
  return pos;
}

bool matchesFolded(const std::string& name, const std::string& pattern) {
  size_t n = 0;
  size_t p = 0;
  size_t starPattern = std::string::npos;
  size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = ++p;
      starName = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n = nextCharacter(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starPattern != std::string::npos) {
      p = starPattern;
      starName = nextCharacter(name, starName);
      n = starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

// The names of the entries of a folder that are not hidden and that wanted accepts, sorted
// without regard to letter case (ties in byte order).
template <typename Wanted>
std::vector<std::string> listEntries(const fs::path& folder, Wanted wanted) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    return {};
  }
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    struct stat info;
    if (!name.starts_with('.') && statPath(folder / name, info) && wanted(name, info)) {
      names.push_back(std::move(name));
    }
  }
  ::closedir(dir);
  sortFolded(names);
  return names;
}

}  // namespace

bool matchesWildcard(const std::string& name, const std::string& pattern) {
  const std::string foldedName = foldCase(name);
  const std::string foldedPattern = foldCase(pattern);
  return matchesFolded(foldedName, foldedPattern) ||
         (foldedPattern.ends_with(".*") && matchesFolded(foldedName + ".", foldedPattern));
}

PosixFileSystem::PosixFileSystem(const PathMapper& paths) : paths_(paths) {}

bool PosixFileSystem::folderExists(const std::string& path) const {
  return isFolder(paths_.toHost(path));
}

void PosixFileSystem::createFolder(const std::string& path) {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (::lstat(host.c_str(), &info) == 0) {
    fail(err::kFileExists);
  }
  // The root of a missing drive is not a folder that can be made.
  if (host.parent_path() == paths_.prefix() / "dosdevices") {
    fail(err::kPathNotFound);
  }
  requireWritableFolder(host);
  if (::mkdir(host.c_str(), 0777) != 0) {
    failWithErrno(errno);
  }
}

bool PosixFileSystem::fileExists(const std::string& path) const {
  struct stat info;
  return statPath(paths_.toHost(path), info) && S_ISREG(info.st_mode);
}

bool PosixFileSystem::ordinaryFileExists(const std::string& path) const {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  return statPath(host, info) && S_ISREG(info.st_mode) && !isHidden(host);
}

void PosixFileSystem::copyFile(const std::string& source, const std::string& target,
                               bool overwrite) {
  const fs::path from = paths_.toHost(source);
  fs::path to = paths_.toHost(target);
  if (endsWithSeparator(target)) {
    to /= from.filename();
  }

  // Not blocking, so that a named pipe in the package is refused rather than waited on.
  Descriptor input(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (input.get() < 0) {
    if (errno == ENOENT) {
      failMissing(from);
    }
    failWithErrno(errno);
  }
  struct stat sourceInfo;
  if (::fstat(input.get(), &sourceInfo) != 0) {
    failWithErrno(errno);
  }
  if (!S_ISREG(sourceInfo.st_mode)) {
    fail(err::kFileNotFound);
  }

  std::optional<struct stat> replaced = existingTarget(to);
  if (replaced) {
    if (!overwrite) {
      fail(err::kFileExists);
    }
    if (!S_ISREG(replaced->st_mode) || readOnly(*replaced)) {
      fail(err::kPermissionDenied);
    }
  }
  const fs::path folder = to.parent_path();
  struct stat folderInfo;
  if (!statPath(folder, folderInfo) || !S_ISDIR(folderInfo.st_mode)) {
    fail(err::kPathNotFound);
  }
  const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};

  if (!replaced && !readOnly(folderInfo)) {
    switch (copyUnnamed(input.get(), sourceInfo.st_size, folder, to, sourceInfo.st_mode & 07777,
                        times)) {
      case Unnamed::kCopied:
        paths_.noteCreated(folder, to.filename().string(), PathMapper::stampOf(folderInfo));
        return;
      case Unnamed::kExists:
        // Made by another program meanwhile: copied again as over any file already there.
        copyFile(source, target, overwrite);
        return;
      case Unnamed::kFailed:
        failWithErrno(errno == ENOENT ? EIO : errno);
      case Unnamed::kUnsupported:
        break;
    }
  }

  // Hidden, so that a listing of the folder never shows a copy under way; short, so that any
  // name the folder takes can be copied into it.
  std::string temporary = (folder / ".fdcopy-XXXXXX").string();
  Descriptor output(readOnly(folderInfo) ? -1 : ::mkostemp(temporary.data(), O_CLOEXEC));
  if (output.get() < 0) {
    const bool folderRefused = readOnly(folderInfo) || errno == EACCES || errno == EPERM;
    if (replaced && folderRefused) {
      writeInPlace(input.get(), to, sourceInfo.st_size, times);
      return;
    }
    failWithErrno(folderRefused ? EACCES : errno);
  }
  int errnum = 0;
  if (!copyContents(input.get(), output.get(), sourceInfo.st_size) ||
      (replaced && !keepOwner(output.get(), *replaced)) ||
      ::fchmod(output.get(), (replaced ? replaced->st_mode : sourceInfo.st_mode) & 07777) != 0 ||
      ::futimens(output.get(), times) != 0) {
    errnum = errno;
  }
  if (!output.close() && errnum == 0) {
    errnum = errno;
  }
  if (errnum == 0 && ::rename(temporary.c_str(), to.c_str()) != 0) {
    errnum = errno;
  }
  if (errnum != 0) {
    ::unlink(temporary.c_str());
    failWithErrno(errnum == ENOENT ? EIO : errnum);
  }
  paths_.noteCreated(folder, to.filename().string(), PathMapper::stampOf(folderInfo));
}

void PosixFileSystem::removeFile(const std::string& path) {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (::lstat(host.c_str(), &info) != 0) {
    failMissing(host);
  }
  if (S_ISDIR(info.st_mode)) {
    fail(err::kFileNotFound);
  }
  requireWritableFolder(host);
  if (!S_ISLNK(info.st_mode) && readOnly(info)) {
    fail(err::kPermissionDenied);
  }
  if (::unlink(host.c_str()) != 0) {
    failWithErrno(errno);
  }
}

LocalDateTime PosixFileSystem::lastModified(const std::string& path) const {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (!statPath(host, info)) {
    failMissing(host);
  }
  std::tm local{};
  localtime_r(&info.st_mtime, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::uint64_t PosixFileSystem::fileSize(const std::string& path) const {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (!statPath(host, info)) {
    failMissing(host);
  }
  return static_cast<std::uint64_t>(info.st_size);
}

int PosixFileSystem::attributes(const std::string& path) const {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (!statPath(host, info)) {
    fail(err::kFileNotFound);
  }
  int bits = S_ISDIR(info.st_mode) ? attr::kDirectory : attr::kArchive;
  if (readOnly(info)) {
    bits |= attr::kReadOnly;
  }
  if (isHidden(host)) {
    bits |= attr::kHidden;
  }
  if (struct stat link; ::lstat(host.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    bits |= attr::kReparsePoint;
  }
  return bits;
}

std::vector<std::string> PosixFileSystem::listFiles(const std::string& folder,
                                                    const std::string& pattern,
                                                    bool /*admitArchived*/) const {
  return listEntries(paths_.toHost(folder), [&](const std::string& name, const struct stat& info) {
    return S_ISREG(info.st_mode) && matchesWildcard(name, pattern);
  });
}

std::vector<std::string> PosixFileSystem::listFolders(const std::string& folder) const {
  return listEntries(paths_.toHost(folder), [](const std::string&, const struct stat& info) {
    return S_ISDIR(info.st_mode);
  });
}

std::vector<std::string> PosixFileSystem::readLines(const std::string& path) const {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (!statPath(host, info)) {
    failMissing(host);
  }
  if (!S_ISREG(info.st_mode)) {
    fail(err::kPermissionDenied);
  }
  Descriptor input(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
  if (input.get() < 0) {
    failWithErrno(errno);
  }
  std::string bytes;
  if (!readChunks(input.get(), [&bytes](const char* data, size_t size) {
        bytes.append(data, size);
        return true;
      })) {
    failWithErrno(errno);
  }
  return splitTextLines(ansiToUtf8(bytes));
}

void PosixFileSystem::writeLines(const std::string& path, const std::vector<std::string>& lines,
                                 bool append) {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (statPath(host, info)) {
    if (!S_ISREG(info.st_mode) || readOnly(info)) {
      fail(err::kPermissionDenied);
    }
  } else {
    requireWritableFolder(host);
  }
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += utf8ToAnsi(line);
    bytes += "\r\n";
  }
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  Descriptor output(::open(host.c_str(), flags, 0666));
  if (output.get() < 0) {
    failWithErrno(errno);
  }
  if (!writeAll(output.get(), bytes.data(), bytes.size()) || !output.close()) {
    failWithErrno(errno == ENOENT ? EIO : errno);
  }
}

}  // namespace fd
