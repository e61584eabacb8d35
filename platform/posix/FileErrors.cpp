#include "platform/posix/FileErrors.h"

#include <cerrno>

#include "platform/AppError.h"

namespace fd {

namespace {

constexpr const char* kSource = "FileSystem";

}  // namespace

void failFile(int number) {
  throw platformError(number, kSource);
}

void failFileWithErrno(int errnum) {
  switch (errnum) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
    case EISDIR:
      failFile(err::kPermissionDenied);
    case ENOENT:
      failFile(err::kFileNotFound);
    case ENOTDIR:
      failFile(err::kPathNotFound);
    case EEXIST:
      failFile(err::kFileExists);
    // A write past the file-size limit fails as a full disk does.
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      failFile(err::kDiskFull);
    default:
      failFile(err::kPathFileAccess);
  }
}

}  // namespace fd
