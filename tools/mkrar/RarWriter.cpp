#include "tools/mkrar/RarWriter.h"

#include <libdeflate.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "tools/common/Rar5Format.h"

namespace fd {

namespace {

constexpr std::size_t kMaxNameSize = 65535;

void putVint(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

void putU32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

// The format keeps modification times as unsigned 32-bit Unix seconds.
std::uint32_t unixTime32(std::time_t t) {
  if (t < 0) {
    return 0;
  }
  if (static_cast<std::uint64_t>(t) > 0xFFFFFFFFu) {
    return 0xFFFFFFFFu;
  }
  return static_cast<std::uint32_t>(t);
}

std::runtime_error failure(const std::string& what, const std::filesystem::path& path) {
  return std::runtime_error(what + " " + path.string() + ": " + std::strerror(errno));
}

// The fields that every file header of ours shares, after the general header fields.
std::string fileFields(std::uint64_t fileFlags, std::uint64_t size, std::uint64_t attributes,
                       std::time_t mtime, const std::uint32_t* crc, std::string_view name) {
  // A header's size field holds at most three bytes, so a name stays well below 2 MB.
  if (name.size() > kMaxNameSize) {
    throw std::runtime_error("Nombre demasiado largo: " + std::string(name.substr(0, 80)) + "...");
  }
  std::string fields;
  putVint(fields, fileFlags);
  putVint(fields, size);
  putVint(fields, attributes);
  putU32(fields, unixTime32(mtime));
  if (crc != nullptr) {
    putU32(fields, *crc);
  }
  putVint(fields, 0);  // compression: version 0, method 0 (store), no dictionary
  putVint(fields, rar5::kHostWindows);
  putVint(fields, name.size());
  fields.append(name);
  return fields;
}

}  // namespace

RarWriter::RarWriter(const std::filesystem::path& archive) : path_(archive) {
  out_.open(archive, std::ios::binary | std::ios::trunc);
  if (!out_) {
    throw failure("No se puede crear", archive);
  }
  out_.write(rar5::kSignature.data(), static_cast<std::streamsize>(rar5::kSignature.size()));
  std::string main;
  putVint(main, rar5::kMainHeader);
  putVint(main, 0);  // header flags
  putVint(main, 0);  // archive flags
  writeHeader(main);
}

void RarWriter::addFile(std::string_view name, const std::filesystem::path& source,
                        std::time_t mtime) {
  // The CRC and size come before the data, so the source is read twice.
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    throw failure("No se puede leer", source);
  }
  std::vector<char> buffer(1 << 16);
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    crc = ::libdeflate_crc32(crc, buffer.data(), got);
    size += got;
  }
  if (in.bad()) {
    throw failure("No se puede leer", source);
  }

  std::string header;
  putVint(header, rar5::kFileHeader);
  putVint(header, rar5::kHasDataArea);
  putVint(header, size);  // data size: stored, so the packed size is the file size
  header += fileFields(rar5::kFileHasUnixTime | rar5::kFileHasCrc32, size, rar5::kAttributeArchive,
                       mtime, &crc, name);
  writeHeader(header);

  in.clear();
  in.seekg(0);
  std::uint64_t copied = 0;
  while (in && copied < size) {
    in.read(buffer.data(),
            static_cast<std::streamsize>(std::min<std::uint64_t>(buffer.size(), size - copied)));
    const auto got = in.gcount();
    out_.write(buffer.data(), got);
    copied += static_cast<std::uint64_t>(got);
  }
  if (copied != size) {
    throw std::runtime_error("El archivo " + source.string() + " cambió mientras se leía");
  }
  if (!out_) {
    throw failure("No se puede escribir", path_);
  }
  stored_[std::string(name)] = {size, crc};
}

void RarWriter::addFileCopy(std::string_view name, std::string_view original, std::time_t mtime) {
  addRedirection(name, original, rar5::kRedirectionFileCopy, mtime);
}

void RarWriter::addHardLink(std::string_view name, std::string_view original, std::time_t mtime) {
  addRedirection(name, original, rar5::kRedirectionHardLink, mtime);
}

void RarWriter::addRedirection(std::string_view name, std::string_view original, std::uint64_t type,
                               std::time_t mtime) {
  const auto found = stored_.find(std::string(original));
  if (found == stored_.end()) {
    throw std::runtime_error("No hay ninguna entrada " + std::string(original) + " antes de " +
                             std::string(name));
  }
  const auto [size, crc] = found->second;
  std::string redirection;
  putVint(redirection, rar5::kExtraRedirection);
  putVint(redirection, type);
  putVint(redirection, 0);  // flags
  putVint(redirection, original.size());
  redirection.append(original);
  std::string extra;
  putVint(extra, redirection.size());
  extra += redirection;

  // The original's size and CRC, and no data of its own.
  std::string header;
  putVint(header, rar5::kFileHeader);
  putVint(header, rar5::kHasExtraArea | rar5::kHasDataArea);
  putVint(header, extra.size());
  putVint(header, 0);
  header += fileFields(rar5::kFileHasUnixTime | rar5::kFileHasCrc32, size, rar5::kAttributeArchive,
                       mtime, &crc, name);
  header += extra;
  writeHeader(header);
}

void RarWriter::addFolder(std::string_view name, std::time_t mtime) {
  std::string header;
  putVint(header, rar5::kFileHeader);
  // An empty data area, as RAR itself writes for folders; libarchive requires one in every file
  // header.
  putVint(header, rar5::kHasDataArea);
  putVint(header, 0);
  header += fileFields(rar5::kFileIsDirectory | rar5::kFileHasUnixTime, 0,
                       rar5::kAttributeDirectory, mtime, nullptr, name);
  writeHeader(header);
}

void RarWriter::finish() {
  std::string end;
  putVint(end, rar5::kEndHeader);
  putVint(end, 0);  // header flags
  putVint(end, 0);  // end of archive flags: this is the last volume
  writeHeader(end);
  out_.close();
  if (!out_) {
    throw failure("No se puede escribir", path_);
  }
}

// A header is its CRC32, its size and the body; the CRC covers the size field and the body.
void RarWriter::writeHeader(const std::string& body) {
  std::string sized;
  putVint(sized, body.size());
  sized += body;
  std::string header;
  putU32(header, ::libdeflate_crc32(0, sized.data(), sized.size()));
  header += sized;
  out_.write(header.data(), static_cast<std::streamsize>(header.size()));
  if (!out_) {
    throw failure("No se puede escribir", path_);
  }
}

std::time_t modificationTime(const std::filesystem::path& file) {
  std::error_code ec;
  const std::filesystem::file_time_type time = std::filesystem::last_write_time(file, ec);
  if (ec) {
    throw failure("No se puede leer", file);
  }
  return std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(time));
}

}  // namespace fd
