#include "tools/winrar/RarHeaders.h"

#include <algorithm>
#include <fstream>
#include <string_view>

#include "tools/mkrar/Crc32.h"
#include "tools/mkrar/Rar5Format.h"

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
  fields.vint();  // compression information
  fields.vint();  // host operating system
  const std::uint64_t nameSize = fields.vint();
  entry.name = std::string(fields.bytes(nameSize));
  entry.directory = (fileFlags & rar5::kFileIsDirectory) != 0;
  entry.continuesFromPreviousVolume = (headerFlags & rar5::kDataFromPreviousVolume) != 0;
  entry.continuesInNextVolume = (headerFlags & rar5::kDataInNextVolume) != 0;
  if (fields.bad() || fields.remaining() != extraSize) {
    return false;
  }
  FieldReader extra(fields.bytes(extraSize));
  while (extra.remaining() > 0 && !extra.bad()) {
    const std::uint64_t recordSize = extra.vint();
    FieldReader record(extra.bytes(recordSize));
    if (record.vint() == rar5::kExtraEncryption) {
      entry.encrypted = true;
    }
  }
  return !extra.bad();
}

RarHeaders readRar5Headers(std::ifstream& in, std::uint64_t signatureOffset) {
  RarHeaders result;
  in.seekg(0, std::ios::end);
  const auto fileSize = static_cast<std::uint64_t>(in.tellg());
  std::uint64_t pos = signatureOffset + rar5::kSignature.size();

  while (true) {
    // The CRC32 and up to three bytes of size come first.
    std::string start(7, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(pos));
    in.read(start.data(), 7);
    start.resize(static_cast<std::size_t>(in.gcount()));
    FieldReader prefix(start);
    const std::uint32_t crc = prefix.u32();
    const std::uint64_t bodySize = prefix.vint();
    if (prefix.bad()) {
      result.problem = "el archivo termina antes de tiempo";
      return result;
    }
    const std::uint64_t sizeFieldLength = start.size() - 4 - prefix.remaining();
    if (bodySize == 0 || bodySize > kMaxHeaderSize) {
      result.problem = "encabezado dañado";
      return result;
    }
    const std::uint64_t bodyStart = pos + 4 + sizeFieldLength;
    if (bodyStart + bodySize > fileSize) {
      result.problem = "el archivo termina antes de tiempo";
      return result;
    }
    std::string sized(sizeFieldLength + bodySize, '\0');
    in.seekg(static_cast<std::streamoff>(pos + 4));
    in.read(sized.data(), static_cast<std::streamsize>(sized.size()));
    if (static_cast<std::uint64_t>(in.gcount()) != sized.size()) {
      result.problem = "no se puede leer el archivo";
      return result;
    }
    if (Crc32::of(sized.data(), sized.size()) != crc) {
      result.problem = "encabezado dañado (CRC)";
      return result;
    }

    FieldReader fields(std::string_view(sized).substr(sizeFieldLength));
    const std::uint64_t type = fields.vint();
    const std::uint64_t flags = fields.vint();
    const std::uint64_t extraSize = (flags & rar5::kHasExtraArea) ? fields.vint() : 0;
    const std::uint64_t dataSize = (flags & rar5::kHasDataArea) ? fields.vint() : 0;
    if (fields.bad() || extraSize > fields.remaining()) {
      result.problem = "encabezado dañado";
      return result;
    }
    const std::uint64_t dataStart = bodyStart + bodySize;
    const bool dataComplete = dataSize <= fileSize - dataStart;

    if (type == rar5::kEncryptionHeader) {
      result.headersEncrypted = true;
      return result;
    }
    if (type == rar5::kFileHeader) {
      RarEntry entry;
      if (!parseFileHeader(fields, flags, extraSize, entry)) {
        result.problem = "encabezado de archivo dañado";
        return result;
      }
      entry.dataComplete = dataComplete;
      result.files.push_back(std::move(entry));
    }
    if (type == rar5::kEndHeader) {
      return result;
    }
    if (!dataComplete) {
      result.problem = "el archivo termina antes de tiempo";
      return result;
    }
    pos = dataStart + dataSize;
  }
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
constexpr unsigned kRar4DirectoryMask = 0x00E0;
constexpr unsigned kRar4LargeSizes = 0x0100;
constexpr unsigned kRar4UnicodeName = 0x0200;
constexpr unsigned kRar4HasDataSize = 0x8000;

std::uint16_t u16At(std::string_view data, std::size_t pos) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(data[pos]) |
                                    (static_cast<unsigned char>(data[pos + 1]) << 8));
}

RarHeaders readRar4Headers(std::ifstream& in, std::uint64_t signatureOffset) {
  RarHeaders result;
  in.seekg(0, std::ios::end);
  const auto fileSize = static_cast<std::uint64_t>(in.tellg());
  std::uint64_t pos = signatureOffset + rar5::kSignatureRar4.size();

  // Old archives may end without an end block, right after their last file's data.
  while (pos < fileSize) {
    std::string head(7, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(pos));
    in.read(head.data(), 7);
    if (in.gcount() != 7) {
      result.problem = "el archivo termina antes de tiempo";
      return result;
    }
    const unsigned type = static_cast<unsigned char>(head[2]);
    const unsigned flags = u16At(head, 3);
    const std::uint16_t size = u16At(head, 5);
    if (size < 7 || pos + size > fileSize) {
      result.problem = size < 7 ? "encabezado dañado" : "el archivo termina antes de tiempo";
      return result;
    }
    std::string block(size, '\0');
    in.seekg(static_cast<std::streamoff>(pos));
    in.read(block.data(), size);
    const bool checked = type == kRar4ArchiveBlock || type == kRar4FileBlock;
    if (checked && (Crc32::of(block.data() + 2, size - 2) & 0xFFFF) != u16At(block, 0)) {
      result.problem = "encabezado dañado (CRC)";
      return result;
    }
    if (type == kRar4ArchiveBlock && (flags & kRar4HeadersEncrypted)) {
      result.headersEncrypted = true;
      return result;
    }
    if (type == kRar4EndBlock) {
      return result;
    }
    std::uint64_t dataSize = 0;
    if (flags & kRar4HasDataSize) {
      FieldReader fields(std::string_view(block).substr(7));
      dataSize = fields.u32();
      if (type == kRar4FileBlock) {
        fields.u32();     // unpacked size
        fields.bytes(1);  // host operating system
        const std::uint32_t crc = fields.u32();
        fields.bytes(6);  // time, version, method
        const std::string_view nameSize = fields.bytes(2);
        fields.bytes(4);  // attributes
        if (flags & kRar4LargeSizes) {
          dataSize |= static_cast<std::uint64_t>(fields.u32()) << 32;
          fields.u32();
        }
        const std::string_view name =
            nameSize.size() == 2 ? fields.bytes(u16At(nameSize, 0)) : std::string_view();
        if (fields.bad()) {
          result.problem = "encabezado de archivo dañado";
          return result;
        }
        RarEntry entry;
        entry.name = std::string(name.substr(0, name.find('\0')));
        entry.nameComparable = (flags & kRar4UnicodeName) == 0;
        entry.directory = (flags & kRar4DirectoryMask) == kRar4DirectoryMask;
        entry.encrypted = (flags & kRar4Encrypted) != 0;
        entry.continuesFromPreviousVolume = (flags & kRar4FromPreviousVolume) != 0;
        entry.continuesInNextVolume = (flags & kRar4InNextVolume) != 0;
        entry.dataComplete = dataSize <= fileSize - pos - size;
        entry.crc = crc;
        result.files.push_back(std::move(entry));
      } else if (fields.bad()) {
        result.problem = "encabezado dañado";
        return result;
      }
    }
    if (dataSize > fileSize - pos - size) {
      result.problem = "el archivo termina antes de tiempo";
      return result;
    }
    pos += size + dataSize;
  }
  return result;
}

}  // namespace

RarSignature findRarSignature(const std::filesystem::path& archive) {
  std::ifstream in(archive, std::ios::binary);
  std::string head(kSignatureSearch, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  const auto rar5 = head.find(rar5::kSignature);
  const auto rar4 = head.find(rar5::kSignatureRar4);
  if (rar5 != std::string::npos && (rar4 == std::string::npos || rar5 <= rar4)) {
    return {RarFormat::Rar5, rar5};
  }
  if (rar4 != std::string::npos) {
    return {RarFormat::Rar4, rar4};
  }
  return {};
}

RarHeaders readRarHeaders(const std::filesystem::path& archive, const RarSignature& signature) {
  std::ifstream in(archive, std::ios::binary);
  if (signature.format == RarFormat::Rar5) {
    return readRar5Headers(in, signature.offset);
  }
  if (signature.format == RarFormat::Rar4) {
    return readRar4Headers(in, signature.offset);
  }
  return {};
}

}  // namespace fd
