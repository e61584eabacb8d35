#include "platform/posix/PosixFileSystem.h"

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
#include "platform/WildcardMatch.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/FileErrors.h"
#include "platform/posix/PosixCopy.h"
#include "platform/posix/ReadChunks.h"

namespace fs = std::filesystem;

namespace fd {

namespace {

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
  failFile(isFolder(path.parent_path()) ? err::kFileNotFound : err::kPathNotFound);
}

// What a path names, a link followed (stat) or not (lstat); 53 or 76 when it names nothing.
struct stat existing(const fs::path& path, bool followLink = true) {
  struct stat info;
  if ((followLink ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0) {
    failMissing(path);
  }
  return info;
}

// The whole content of an open file.
std::string readToEnd(const Descriptor& input) {
  std::string bytes;
  if (!readChunks(input.get(), [&bytes](const char* data, size_t size) {
        bytes.append(data, size);
        return true;
      })) {
    failFileWithErrno(errno);
  }
  return bytes;
}

// Writes bytes to an open file and closes it, so that a failed write-back shows too.
void writeAndClose(Descriptor& output, const std::string& bytes) {
  if (!writeAll(output.get(), bytes.data(), bytes.size()) || !output.close()) {
    failFileWithErrno(errno == ENOENT ? EIO : errno);
  }
}

// Checks that a new entry may be made in the folder of path.
void requireWritableFolder(const fs::path& path) {
  struct stat info;
  if (!statPath(path.parent_path(), info) || !S_ISDIR(info.st_mode)) {
    failFile(err::kPathNotFound);
  }
  if (readOnly(info)) {
    failFile(err::kPermissionDenied);
  }
}

bool endsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
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

PosixFileSystem::PosixFileSystem(const PathMapper& paths) : paths_(paths) {}

bool PosixFileSystem::folderExists(const std::string& path) const {
  return isFolder(paths_.toHost(path));
}

void PosixFileSystem::createFolder(const std::string& path) {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (::lstat(host.c_str(), &info) == 0) {
    failFile(err::kFileExists);
  }
  // The root of a missing drive is not a folder that can be made.
  if (host.parent_path() == paths_.prefix() / "dosdevices") {
    failFile(err::kPathNotFound);
  }
  requireWritableFolder(host);
  if (::mkdir(host.c_str(), 0777) != 0) {
    failFileWithErrno(errno);
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
    failFileWithErrno(errno);
  }
  struct stat sourceInfo;
  if (::fstat(input.get(), &sourceInfo) != 0) {
    failFileWithErrno(errno);
  }
  if (!S_ISREG(sourceInfo.st_mode)) {
    failFile(err::kFileNotFound);
  }

  std::optional<struct stat> replaced = existingTarget(to);
  if (replaced) {
    if (!overwrite) {
      failFile(err::kFileExists);
    }
    if (!S_ISREG(replaced->st_mode) || readOnly(*replaced)) {
      failFile(err::kPermissionDenied);
    }
  }
  const fs::path folder = to.parent_path();
  struct stat folderInfo;
  if (!statPath(folder, folderInfo) || !S_ISDIR(folderInfo.st_mode)) {
    failFile(err::kPathNotFound);
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
        failFileWithErrno(errno == ENOENT ? EIO : errno);
      case Unnamed::kUnsupported:
        break;
    }
  }

  if (copyBesideAndRename(input.get(), sourceInfo, to, replaced, readOnly(folderInfo), times)) {
    paths_.noteCreated(folder, to.filename().string(), PathMapper::stampOf(folderInfo));
  }
}

void PosixFileSystem::removeFile(const std::string& path) {
  const fs::path host = paths_.toHost(path);
  const struct stat info = existing(host, false);
  if (S_ISDIR(info.st_mode)) {
    failFile(err::kFileNotFound);
  }
  requireWritableFolder(host);
  if (!S_ISLNK(info.st_mode) && readOnly(info)) {
    failFile(err::kPermissionDenied);
  }
  if (::unlink(host.c_str()) != 0) {
    failFileWithErrno(errno);
  }
}

void PosixFileSystem::removeFolder(const std::string& path) {
  const fs::path host = paths_.toHost(path);
  if (!S_ISDIR(existing(host, false).st_mode)) {
    failFile(err::kPathNotFound);
  }
  requireWritableFolder(host);
  if (::rmdir(host.c_str()) != 0) {
    failFileWithErrno(errno);
  }
}

LocalDateTime PosixFileSystem::lastModified(const std::string& path) const {
  const struct stat info = existing(paths_.toHost(path));
  std::tm local{};
  localtime_r(&info.st_mtime, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::uint64_t PosixFileSystem::fileSize(const std::string& path) const {
  const struct stat info = existing(paths_.toHost(path));
  return static_cast<std::uint64_t>(info.st_size);
}

int PosixFileSystem::attributes(const std::string& path) const {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (!statPath(host, info)) {
    failFile(err::kFileNotFound);
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
  if (!S_ISREG(existing(host).st_mode)) {
    failFile(err::kPermissionDenied);
  }
  Descriptor input(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
  if (input.get() < 0) {
    failFileWithErrno(errno);
  }
  return ansiTextLines(readToEnd(input));
}

void PosixFileSystem::writeLines(const std::string& path, const std::vector<std::string>& lines,
                                 bool append) {
  const fs::path host = paths_.toHost(path);
  struct stat info;
  if (statPath(host, info)) {
    if (!S_ISREG(info.st_mode) || readOnly(info)) {
      failFile(err::kPermissionDenied);
    }
  } else {
    requireWritableFolder(host);
  }
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  Descriptor output(::open(host.c_str(), flags, 0666));
  if (output.get() < 0) {
    failFileWithErrno(errno);
  }
  writeAndClose(output, ansiTextOf(lines));
}

std::string PosixFileSystem::readBytes(const std::string& path) const {
  const fs::path host = paths_.toHost(path);
  if (!S_ISREG(existing(host, false).st_mode)) {
    failFile(err::kPermissionDenied);
  }
  Descriptor input(::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (input.get() < 0) {
    failFileWithErrno(errno == ELOOP ? EACCES : errno);
  }
  return readToEnd(input);
}

void PosixFileSystem::writeBytes(const std::string& path, const std::string& bytes,
                                 bool createNew) {
  const fs::path host = paths_.toHost(path);
  if (createNew) {
    requireWritableFolder(host);
  }
  const int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | (createNew ? O_CREAT | O_EXCL : O_APPEND);
  Descriptor output(::open(host.c_str(), flags, 0666));
  if (output.get() < 0) {
    failFileWithErrno(errno == ELOOP ? EACCES : errno);
  }
  struct stat info;
  if (::fstat(output.get(), &info) != 0 || !S_ISREG(info.st_mode) || readOnly(info)) {
    failFile(err::kPermissionDenied);
  }
  writeAndClose(output, bytes);
}

}  // namespace fd
