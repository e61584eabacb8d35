#include "tools/winrar/ArchiveInput.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "tools/winrar/RarHeaders.h"
#include "tools/winrar/TargetFolder.h"
#include "tools/winrar/WinrarHost.h"

namespace fd {

ArchiveInput::ArchiveInput(int fd, std::uint64_t size, RarHeaderWalker& walker)
    : fd_(fd), size_(size), walker_(walker), block_(kFirstBlockSize) {}

ArchiveInput::~ArchiveInput() {
  closeFile(fd_);
}

bool ArchiveInput::prime() {
  if (!readBlock(kFirstBlockSize)) {
    return false;
  }
  primed_ = true;
  return true;
}

la_ssize_t ArchiveInput::read(archive* reader, void* self, const void** block) {
  auto* input = static_cast<ArchiveInput*>(self);
  if (!input->primed_ && !input->readBlock(kBlockSize)) {
    archive_set_error(reader, input->error_, "%s", systemReason(input->error_).c_str());
    return -1;
  }
  input->primed_ = false;
  *block = input->block_.data();
  return static_cast<la_ssize_t>(input->got_);
}

la_int64_t ArchiveInput::skip(archive*, void* self, la_int64_t request) {
  auto* input = static_cast<ArchiveInput*>(self);
  const auto step = static_cast<la_int64_t>(
      std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max<la_int64_t>(request, 0)),
                              input->size_ - input->position_));
  if (step == 0 || !seekBy(input->fd_, step)) {
    return 0;  // libarchive reads on instead
  }
  input->position_ += static_cast<std::uint64_t>(step);
  input->walker_.skipped(static_cast<std::uint64_t>(step));
  return step;
}

const char* ArchiveInput::held(std::uint64_t offset, std::size_t size) const {
  return offset >= blockStart_ && offset + size <= blockStart_ + got_
             ? block_.data() + (offset - blockStart_)
             : nullptr;
}

bool ArchiveInput::readAt(std::uint64_t offset, char* data, std::size_t size) {
  while (size > 0) {
    const auto got = readSomeAt(fd_, data, size, offset);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      error_ = got < 0 ? errno : EIO;
      return false;
    }
    data += got;
    size -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

void ArchiveInput::drain() {
  while (!walker_.stopped() && readBlock(kBlockSize) && got_ > 0) {
  }
}

bool ArchiveInput::readBlock(std::size_t wanted) {
  blockStart_ = position_;
  got_ = 0;
  while (got_ < wanted) {
    const auto got = readSome(fd_, block_.data() + got_, wanted - got_);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      error_ = errno;
      return false;
    }
    if (got == 0) {
      break;
    }
    got_ += static_cast<std::size_t>(got);
  }
  position_ += got_;
  walker_.feed(std::string_view(block_.data(), got_));
  if (got_ < wanted) {
    walker_.finish();
  }
  return true;
}

}  // namespace fd
