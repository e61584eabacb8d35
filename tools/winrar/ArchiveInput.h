#pragma once

#include <archive.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fd {

class RarHeaderWalker;

// The archive file, read once from front to back. Each block goes through the header walker
// before libarchive gets it; what libarchive skips is a data area the extractor read itself.
// Blocks are small enough to stay in the processor's cache while their data is checked and
// written out; only the first one is larger.
class ArchiveInput {
 public:
  // Takes fd, an archive of size bytes open for reading, and closes it.
  ArchiveInput(int fd, std::uint64_t size, RarHeaderWalker& walker);
  ~ArchiveInput();
  ArchiveInput(const ArchiveInput&) = delete;
  ArchiveInput& operator=(const ArchiveInput&) = delete;

  // Reads the first block, which holds the whole signature search, before libarchive starts.
  bool prime();

  // libarchive's read and skip callbacks, with this input as their client data.
  static la_ssize_t read(archive* reader, void* self, const void** block);
  static la_int64_t skip(archive*, void* self, la_int64_t request);

  // The bytes at offset when the block read last holds all of them, else null: the data of a
  // small file usually lies in the block that held its header.
  const char* held(std::uint64_t offset, std::size_t size) const;
  // Reads size bytes at offset, without moving the position libarchive reads from.
  bool readAt(std::uint64_t offset, char* data, std::size_t size);
  // Walks what libarchive left unread, so that the walk reaches the archive's end.
  void drain();

  int error() const { return error_; }

 private:
  bool readBlock(std::size_t wanted);

  static constexpr std::size_t kFirstBlockSize = 1 << 20;
  static constexpr std::size_t kBlockSize = 1 << 16;
  int fd_;
  std::uint64_t size_;
  std::uint64_t position_ = 0;
  // Where the block read last starts in the archive.
  std::uint64_t blockStart_ = 0;
  RarHeaderWalker& walker_;
  std::vector<char> block_;
  std::size_t got_ = 0;
  bool primed_ = false;
  int error_ = 0;
};

}  // namespace fd
