#pragma once

#include <cstddef>

#include "platform/DescriptorWrites.h"

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

}  // namespace fd
