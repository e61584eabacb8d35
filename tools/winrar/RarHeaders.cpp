#include "tools/winrar/RarHeaders.h"

#include <libdeflate.h>

#include <algorithm>

#include "tools/common/Rar5Format.h"

namespace fd {

namespace {

constexpr std::uint64_t kSignatureSearch = 1 << 20;
// The format allows at most three bytes for a header's size.
constexpr std::uint64_t kMaxHeaderSize = 1 << 21;

// Reads the fields of one header body; a read past its end marks the body as bad.
class FieldReader {
 public:
  explicit FieldReader(std::string_view data) : data_(data) {}

  std::uint64_t vint() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (pos_ >= data_.size()) {
        bad_ = true;
        return 0;
      }
      const auto byte = static_cast<unsigned char>(data_[pos_++]);
      value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
      if ((byte & 0x80) == 0) {
        return value;
      }
    }
    bad_ = true;
    return 0;
  }

  std::uint32_t u32() {
    if (remaining() < 4) {
      bad_ = true;
      pos_ = data_.size();
      return 0;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data_[pos_++])) << (8 * i);
    }
    return value;
  }

  std::string_view bytes(std::uint64_t count) {
    if (remaining() < count) {
      bad_ = true;
      pos_ = data_.size();
      return {};
    }
    const auto result = data_.substr(pos_, count);
    pos_ += count;
    return result;
  }

  std::uint64_t remaining() const { return data_.size() - pos_; }
  bool bad() const { return bad_; }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
  bool bad_ = false;
};

std::uint32_t crcOf(std::string_view bytes) {
  return ::libdeflate_crc32(0, bytes.data(), bytes.size());
}

std::uint32_t u32At(std::string_view data, std::size_t pos) {
  FieldReader fields(data.substr(pos));
  return fields.u32();
}

std::uint16_t u16At(std::string_view data, std::size_t pos) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(data[pos]) |
                                    (static_cast<unsigned char>(data[pos + 1]) << 8));
}

// Parses the type-specific part of a file header and its extra area.
bool parseFileHeader(FieldReader& fields, std::uint64_t headerFlags, std::uint64_t extraSize,
                     RarEntry& entry) {
  const std::uint64_t fileFlags = fields.vint();
  fields.vint();  // unpacked size
  fields.vint();  // attributes
  if (fileFlags & rar5::kFileHasUnixTime) {
    fields.u32();
  }
  if (fileFlags & rar5::kFileHasCrc32) {
    entry.crc = fields.u32();
  }
  const std::uint64_t compression = fields.vint();
  fields.vint();  // host operating system
  const std::uint64_t nameSize = fields.vint();
  entry.name = std::string(fields.bytes(nameSize));
  entry.stored = ((compression >> 7) & 7) == 0;
  entry.dataIsFile = entry.stored && (compression & rar5::kCompressionSolid) == 0;
  entry.continuesFromPreviousVolume = (headerFlags & rar5::kDataFromPreviousVolume) != 0;
  entry.continuesInNextVolume = (headerFlags & rar5::kDataInNextVolume) != 0;
  if (fields.bad() || fields.remaining() != extraSize) {
    return false;
  }
  FieldReader extra(fields.bytes(extraSize));
  while (extra.remaining() > 0 && !extra.bad()) {
    const std::uint64_t recordSize = extra.vint();
    FieldReader record(extra.bytes(recordSize));
    const std::uint64_t recordType = record.vint();
    if (recordType == rar5::kExtraEncryption) {
      entry.encrypted = true;
    } else if (recordType == rar5::kExtraRedirection &&
               record.vint() == rar5::kRedirectionFileCopy) {
      record.vint();  // flags
      entry.copyOf = std::string(record.bytes(record.vint()));
    }
  }
  return !extra.bad();
}

// RAR 4 blocks: a 7-byte head (CRC16, type, flags, size), for file blocks followed by the packed
// size and the fields below; the CRC16 is the low half of the CRC32 of the head after it.
constexpr unsigned kRar4ArchiveBlock = 0x73;
constexpr unsigned kRar4FileBlock = 0x74;
constexpr unsigned kRar4EndBlock = 0x7B;
constexpr unsigned kRar4HeadersEncrypted = 0x0080;
constexpr unsigned kRar4FromPreviousVolume = 0x0001;
constexpr unsigned kRar4InNextVolume = 0x0002;
constexpr unsigned kRar4Encrypted = 0x0004;
constexpr unsigned kRar4LargeSizes = 0x0100;
constexpr unsigned kRar4UnicodeName = 0x0200;
constexpr unsigned kRar4HasDataSize = 0x8000;
constexpr unsigned char kRar4Stored = 0x30;

// Both formats' headers are at least this long, and a RAR 5 header's size field ends within it.
constexpr std::size_t kHeaderStart = 7;

}  // namespace

void RarHeaderWalker::feed(std::string_view bytes) {
  if (stopped_) {
    return;
  }
  if (format_ == RarFormat::None) {
    findSignature(bytes);
  } else {
    walk(bytes);
  }
}

void RarHeaderWalker::findSignature(std::string_view bytes) {
  searched_.append(bytes);
  const std::string_view window = std::string_view(searched_).substr(0, kSignatureSearch);
  const auto rar5 = window.find(rar5::kSignature);
  const auto rar4 = window.find(rar5::kSignatureRar4);
  if (rar5 == std::string_view::npos && rar4 == std::string_view::npos) {
    stopped_ = searched_.size() >= kSignatureSearch;
    return;
  }
  format_ = rar4 < rar5 ? RarFormat::Rar4 : RarFormat::Rar5;
  offset_ = format_ == RarFormat::Rar4 ? rar4 + rar5::kSignatureRar4.size()
                                       : rar5 + rar5::kSignature.size();
  need_ = kHeaderStart;
  const std::string rest = searched_.substr(offset_);
  searched_.clear();
  searched_.shrink_to_fit();
  walk(rest);
}

void RarHeaderWalker::walk(std::string_view bytes) {
  while (!bytes.empty() && !stopped_) {
    if (skip_ > 0) {
      const auto skipped = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, bytes.size()));
      skip_ -= skipped;
      offset_ += skipped;
      bytes.remove_prefix(skipped);
      continue;
    }
    if (header_.empty()) {
      headerStart_ = offset_;
    }
    const std::size_t taken = std::min(need_ - header_.size(), bytes.size());
    header_.append(bytes.substr(0, taken));
    offset_ += taken;
    bytes.remove_prefix(taken);
    if (header_.size() == need_) {
      headerComplete();
    }
  }
}

void RarHeaderWalker::skipped(std::uint64_t count) {
  if (stopped_) {
    return;
  }
  if (count > skip_) {
    stop("encabezado no leído");
    return;
  }
  skip_ -= count;
  offset_ += count;
}

void RarHeaderWalker::finish() {
  if (stopped_) {
    return;
  }
  stopped_ = true;
  // Old archives may end without an end block, right after their last file's data.
  const bool rar4End = format_ == RarFormat::Rar4 && header_.empty() && skip_ == 0;
  if (format_ != RarFormat::None && !rar4End) {
    problem_ = "el archivo termina antes de tiempo";
  }
}

void RarHeaderWalker::headerComplete() {
  if (!sizeKnown_) {
    std::uint64_t size = 0;
    if (format_ == RarFormat::Rar5) {
      // The CRC32 and up to three bytes of size come first.
      FieldReader prefix(header_);
      prefix.u32();
      const std::uint64_t bodySize = prefix.vint();
      if (prefix.bad() || bodySize < 2 || bodySize > kMaxHeaderSize) {
        stop("encabezado dañado");
        return;
      }
      size = header_.size() - prefix.remaining() + bodySize;
    } else {
      size = u16At(header_, 5);
      if (size < kHeaderStart) {
        stop("encabezado dañado");
        return;
      }
    }
    if (size > archiveSize_ - headerStart_) {
      stop("el archivo termina antes de tiempo");
      return;
    }
    need_ = static_cast<std::size_t>(size);
    sizeKnown_ = true;
    if (header_.size() < need_) {
      return;
    }
  }
  if (format_ == RarFormat::Rar5) {
    rar5Header();
  } else {
    rar4Header();
  }
  header_.clear();
  need_ = kHeaderStart;
  sizeKnown_ = false;
}

void RarHeaderWalker::rar5Header() {
  if (crcOf(std::string_view(header_).substr(4)) != u32At(header_, 0)) {
    stop("encabezado dañado (CRC)");
    return;
  }
  FieldReader fields(std::string_view(header_).substr(4));
  fields.vint();  // the header's size
  const std::uint64_t type = fields.vint();
  const std::uint64_t flags = fields.vint();
  const std::uint64_t extraSize = (flags & rar5::kHasExtraArea) ? fields.vint() : 0;
  const std::uint64_t dataSize = (flags & rar5::kHasDataArea) ? fields.vint() : 0;
  if (fields.bad() || extraSize > fields.remaining()) {
    stop("encabezado dañado");
    return;
  }
  const bool dataComplete = dataSize <= archiveSize_ - offset_;

  if (type == rar5::kEncryptionHeader) {
    headersEncrypted_ = true;
    stopped_ = true;
    return;
  }
  if (type == rar5::kFileHeader) {
    RarEntry entry;
    if (!parseFileHeader(fields, flags, extraSize, entry)) {
      stop("encabezado de archivo dañado");
      return;
    }
    entry.dataComplete = dataComplete;
    entry.dataOffset = offset_;
    entry.dataSize = dataSize;
    files_.push_back(std::move(entry));
  }
  if (type == rar5::kEndHeader) {
    stopped_ = true;
  } else if (!dataComplete) {
    stop("el archivo termina antes de tiempo");
  } else {
    skip_ = dataSize;
  }
}

void RarHeaderWalker::rar4Header() {
  const std::string_view block = header_;
  const unsigned type = static_cast<unsigned char>(block[2]);
  const unsigned flags = u16At(block, 3);
  const bool checked = type == kRar4ArchiveBlock || type == kRar4FileBlock;
  if (checked && (crcOf(block.substr(2)) & 0xFFFF) != u16At(block, 0)) {
    stop("encabezado dañado (CRC)");
    return;
  }
  if (type == kRar4ArchiveBlock && (flags & kRar4HeadersEncrypted)) {
    headersEncrypted_ = true;
    stopped_ = true;
    return;
  }
  if (type == kRar4EndBlock) {
    stopped_ = true;
    return;
  }
  std::uint64_t dataSize = 0;
  if (flags & kRar4HasDataSize) {
    FieldReader fields(block.substr(kHeaderStart));
    dataSize = fields.u32();
    if (type == kRar4FileBlock) {
      fields.u32();     // unpacked size
      fields.bytes(1);  // host operating system
      const std::uint32_t crc = fields.u32();
      fields.bytes(5);  // time, version
      const std::string_view method = fields.bytes(1);
      const std::string_view nameSize = fields.bytes(2);
      fields.bytes(4);  // attributes
      if (flags & kRar4LargeSizes) {
        dataSize |= static_cast<std::uint64_t>(fields.u32()) << 32;
        fields.u32();
      }
      const std::string_view name =
          nameSize.size() == 2 ? fields.bytes(u16At(nameSize, 0)) : std::string_view();
      if (fields.bad()) {
        stop("encabezado de archivo dañado");
        return;
      }
      RarEntry entry;
      entry.name = std::string(name.substr(0, name.find('\0')));
      entry.nameComparable = (flags & kRar4UnicodeName) == 0;
      entry.encrypted = (flags & kRar4Encrypted) != 0;
      entry.continuesFromPreviousVolume = (flags & kRar4FromPreviousVolume) != 0;
      entry.continuesInNextVolume = (flags & kRar4InNextVolume) != 0;
      entry.dataComplete = dataSize <= archiveSize_ - offset_;
      entry.stored = static_cast<unsigned char>(method[0]) == kRar4Stored;
      entry.crc = crc;
      files_.push_back(std::move(entry));
    } else if (fields.bad()) {
      stop("encabezado dañado");
      return;
    }
  }
  if (dataSize > archiveSize_ - offset_) {
    stop("el archivo termina antes de tiempo");
    return;
  }
  skip_ = dataSize;
}

}  // namespace fd
