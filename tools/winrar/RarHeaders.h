#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fd {

enum class RarFormat { None, Rar4, Rar5 };

// What a file header says about one entry, as far as the extractor must check it itself:
// libarchive 3.6.2 does not report encrypted RAR 5 data, takes a RAR 5 file copy for an empty
// file and checks the CRC32 of compressed data only.
struct RarEntry {
  std::string name;
  // RAR 4 keeps Unicode names in an encoding of its own; only plain names are compared.
  bool nameComparable = true;
  bool encrypted = false;
  // A RAR 5 "file copy": a reference to an earlier entry's data, with no data of its own.
  std::optional<std::string> copyOf;
  bool continuesFromPreviousVolume = false;
  bool continuesInNextVolume = false;
  // The data area ends inside the file.
  bool dataComplete = true;
  bool stored = false;
  // Where the data area lies in the archive, and whether its bytes are the file's own: stored and
  // not continuing a solid stream, so that the extractor may read them there itself.
  std::uint64_t dataOffset = 0;
  std::uint64_t dataSize = 0;
  bool dataIsFile = false;
  std::optional<std::uint32_t> crc;
};

// Walks the headers of a RAR 4 or RAR 5.0 archive once, in order, as its bytes go by: the
// extractor shows it every block it reads before libarchive gets the block, so the header of
// each entry libarchive returns has already been walked. The signature may start anywhere in the
// first megabyte (self-extracting archives carry a program before it).
class RarHeaderWalker {
 public:
  explicit RarHeaderWalker(std::uint64_t archiveSize) : archiveSize_(archiveSize) {}

  // The next bytes of the archive.
  void feed(std::string_view bytes);
  // The reader passed over count bytes without reading them: they must lie in a data area.
  void skipped(std::uint64_t count);
  // The archive has no more bytes: a header cut short is a problem.
  void finish();

  // None until a signature was found.
  RarFormat format() const { return format_; }
  // The end of the archive was reached, or the walk stopped at a problem.
  bool stopped() const { return stopped_; }
  bool headersEncrypted() const { return headersEncrypted_; }
  // Empty while every header's CRC was right; otherwise why the walk stopped.
  const std::string& problem() const { return problem_; }
  // The file headers walked so far.
  const std::vector<RarEntry>& files() const { return files_; }

 private:
  void findSignature(std::string_view bytes);
  void walk(std::string_view bytes);
  // header_ holds need_ bytes: the start of a header (its size still to be read) or all of it.
  void headerComplete();
  void rar5Header();
  void rar4Header();
  void stop(const std::string& problem) {
    problem_ = problem;
    stopped_ = true;
  }

  std::uint64_t archiveSize_;
  RarFormat format_ = RarFormat::None;
  std::string searched_;
  // Offset in the archive of the next byte to walk, and of the header being read.
  std::uint64_t offset_ = 0;
  std::uint64_t headerStart_ = 0;
  std::string header_;
  std::size_t need_ = 0;
  bool sizeKnown_ = false;
  std::uint64_t skip_ = 0;
  bool stopped_ = false;
  bool headersEncrypted_ = false;
  std::string problem_;
  std::vector<RarEntry> files_;
};

}  // namespace fd
