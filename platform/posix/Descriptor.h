#pragma once

#include <cstddef>

namespace fd {

// A file descriptor, closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor();
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting whether every write reached the file.
  bool close();

 private:
  int fd_;
};

// Writes all of data, retrying writes a signal interrupted; false when a write failed (errno says
// why).
bool writeAll(int fd, const char* data, std::size_t size);

}  // namespace fd
