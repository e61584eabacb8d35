#include "FuzzSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace fd::fuzz {

namespace {
// In memory where the host has such a folder: the registry's rewrite syncs its file, which on a
// disk would cost more than the parsing under test.
std::filesystem::path scratchParent() {
  std::error_code ec;
  if (std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path();
}

std::filesystem::path makeRoot() {
  std::string pattern = (scratchParent() / "fd-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    broken("cannot make a temporary folder");
  }
  std::filesystem::create_directory(std::filesystem::path(pattern) / "drive_c");
  return pattern;
}
}  // namespace

ScratchPrefix::ScratchPrefix() : root_(makeRoot()), mapper_(root_) {}

ScratchPrefix::~ScratchPrefix() {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

void ScratchPrefix::write(const std::string& relative, const std::uint8_t* data,
                          std::size_t size) const {
  const std::filesystem::path file = driveC() / relative;
  std::filesystem::create_directories(file.parent_path());
  writeHost(file, data, size);
}

void ScratchPrefix::writeHost(const std::filesystem::path& file, const std::uint8_t* data,
                              std::size_t size) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    broken("cannot write " + file.string());
  }
  for (std::size_t done = 0; done < size;) {
    const ssize_t put = ::write(fd, data + done, size - done);
    if (put <= 0) {
      broken("cannot write " + file.string());
    }
    done += static_cast<std::size_t>(put);
  }
  ::close(fd);
}

void broken(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

}  // namespace fd::fuzz
