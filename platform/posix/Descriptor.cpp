#include "platform/posix/Descriptor.h"

#include <unistd.h>

#include <cerrno>

namespace fd {

Descriptor::~Descriptor() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

bool Descriptor::close() {
  int result = ::close(fd_);
  fd_ = -1;
  return result == 0;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace fd
