#include "platform/posix/ReadChunks.h"

#include <unistd.h>

#include <cerrno>

namespace fd {

bool readChunks(int fd, const std::function<bool(const char* data, std::size_t size)>& take) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return false;
    }
    if (got == 0) {
      return true;
    }
    if (!take(buffer, static_cast<std::size_t>(got))) {
      return false;
    }
  }
}

}  // namespace fd
