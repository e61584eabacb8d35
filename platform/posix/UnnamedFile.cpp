#include "platform/posix/UnnamedFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace fd {

bool linkUnnamed(int fd, const std::filesystem::path& target) {
  static bool fromDescriptor = true;
  if (fromDescriptor) {
    if (::linkat(fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0) {
      return true;
    }
    if (errno != ENOENT && errno != EPERM) {
      return false;
    }
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0) {
    return false;
  }
  fromDescriptor = false;
  return true;
}

bool canLinkUnnamed() {
  static const bool procFds = ::access("/proc/self/fd", X_OK) == 0;
  return procFds;
}

}  // namespace fd
