#include "platform/posix/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

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

bool copyContents(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    ssize_t read = ::read(from, buffer, sizeof buffer);
    if (read < 0 && errno == EINTR) {
      continue;
    }
    if (read < 0) {
      return false;
    }
    if (read == 0) {
      return true;
    }
    if (!writeAll(to, buffer, static_cast<size_t>(read))) {
      return false;
    }
  }
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
  std::vector<std::pair<std::string, std::string>> found;  // folded name, name
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    return {};
  }
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    struct stat info;
    if (!name.starts_with('.') && statPath(folder / name, info) && wanted(name, info)) {
      found.emplace_back(foldCase(name), std::move(name));
    }
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  names.reserve(found.size());
  for (auto& entry : found) {
    names.push_back(std::move(entry.second));
  }
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

  struct stat sourceInfo;
  if (!statPath(from, sourceInfo)) {
    failMissing(from);
  }
  if (!S_ISREG(sourceInfo.st_mode)) {
    fail(err::kFileNotFound);
  }
  Descriptor input(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (input.get() < 0) {
    failWithErrno(errno);
  }

  requireWritableFolder(to);
  struct stat targetInfo;
  if (statPath(to, targetInfo)) {
    if (!overwrite) {
      fail(err::kFileExists);
    }
    if (!S_ISREG(targetInfo.st_mode) || readOnly(targetInfo)) {
      fail(err::kPermissionDenied);
    }
  }

  const std::optional<PathMapper::FolderStamp> folderBefore = PathMapper::stampOf(to.parent_path());
  // Hidden, so that a listing of the folder never shows a copy under way.
  std::string temporary = (to.parent_path() / ("." + to.filename().string() + ".XXXXXX")).string();
  Descriptor output(::mkstemp(temporary.data()));
  if (output.get() < 0) {
    failWithErrno(errno);
  }
  const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
  int errnum = 0;
  if (!copyContents(input.get(), output.get()) ||
      ::fchmod(output.get(), sourceInfo.st_mode & 07777) != 0 ||
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
  if (folderBefore) {
    paths_.noteCreated(to.parent_path(), to.filename().string(), *folderBefore);
  }
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
  char buffer[64 * 1024];
  for (;;) {
    ssize_t read = ::read(input.get(), buffer, sizeof buffer);
    if (read < 0 && errno == EINTR) {
      continue;
    }
    if (read < 0) {
      failWithErrno(errno);
    }
    if (read == 0) {
      break;
    }
    bytes.append(buffer, static_cast<size_t>(read));
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
