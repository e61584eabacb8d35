#pragma once

#include <cstddef>
#include <filesystem>

namespace fd {

// Writes to a file descriptor of a POSIX host, for the programs that write files of their own.

// Writes all of data, retrying writes a signal interrupted; false when a write failed (errno says
// why).
bool writeAll(int fd, const char* data, std::size_t size);

// Gives a file made without a name (O_TMPFILE) its name, once it is whole, so that nothing
// half-written is ever seen at the name. The kernel does it from the descriptor alone where it
// allows (for a file this process opened, from Linux 6.10 on), which is cheaper than through
// the descriptor's entry in /proc, the way taken elsewhere and from then on. False with errno set
// when it failed.
bool linkUnnamed(int fd, const std::filesystem::path& target);

// Whether linkUnnamed can be counted on: the way through /proc needs the process's descriptors
// there, which a host may lack. Asked once.
bool canLinkUnnamed();

}  // namespace fd
