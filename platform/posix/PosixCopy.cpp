#include "platform/posix/PosixCopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/AppError.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/FileErrors.h"
#include "platform/posix/ReadChunks.h"
#include "platform/posix/UnnamedFile.h"

namespace fd {

namespace fs = std::filesystem;

namespace {

bool copyByReadAndWrite(int from, int to) {
  return readChunks(from, [to](const char* data, size_t size) { return writeAll(to, data, size); });
}

// Copies what is left of from into to, both at their current offsets: size bytes when known
// (else 0), which saves asking the kernel once more for the end. The kernel moves the data itself
// where it can (and shares the blocks where the file system allows).
bool copyContents(int from, int to, off_t size) {
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
    failFileWithErrno(errno);
  }
  if (size > 0 && ::fallocate(output.get(), 0, 0, size) != 0 && errno != EOPNOTSUPP) {
    failFileWithErrno(errno);
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
    failFileWithErrno(errnum);
  }
}

}  // namespace

std::optional<struct stat> existingTarget(fs::path& path) {
  struct stat info;
  for (int links = 0; ::lstat(path.c_str(), &info) == 0; ++links) {
    if (!S_ISLNK(info.st_mode)) {
      return info;
    }
    std::error_code ec;
    const fs::path named = fs::read_symlink(path, ec);
    if (ec || links == 40) {
      failFile(err::kPathFileAccess);
    }
    path = path.parent_path() / named;
  }
  return std::nullopt;
}

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

bool copyBesideAndRename(int input, const struct stat& sourceInfo, const fs::path& to,
                         const std::optional<struct stat>& replaced, bool folderReadOnly,
                         const timespec times[2]) {
  // Hidden, so that a listing of the folder never shows a copy under way; short, so that any
  // name the folder takes can be copied into it.
  std::string temporary = (to.parent_path() / ".fdcopy-XXXXXX").string();
  Descriptor output(folderReadOnly ? -1 : ::mkostemp(temporary.data(), O_CLOEXEC));
  if (output.get() < 0) {
    const bool folderRefused = folderReadOnly || errno == EACCES || errno == EPERM;
    if (replaced && folderRefused) {
      writeInPlace(input, to, sourceInfo.st_size, times);
      return false;
    }
    failFileWithErrno(folderRefused ? EACCES : errno);
  }
  int errnum = 0;
  if (!copyContents(input, output.get(), sourceInfo.st_size) ||
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
    failFileWithErrno(errnum == ENOENT ? EIO : errnum);
  }
  return true;
}

}  // namespace fd
