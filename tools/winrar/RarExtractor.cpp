#include "tools/winrar/RarExtractor.h"

#include <archive.h>
#include <archive_entry.h>
#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/Text.h"
#include "tools/winrar/ArchiveInput.h"
#include "tools/winrar/RarHeaders.h"
#include "tools/winrar/TargetFolder.h"
#include "tools/winrar/WinrarHost.h"

namespace fd {

namespace fs = std::filesystem;

namespace {

// For data the extractor reads itself.
constexpr std::size_t kBufferSize = 1 << 16;

// An archive path with "/" separators and no trailing separator, to compare names.
std::string normalized(std::string name) {
  for (char& c : name) {
    if (c == '\\') {
      c = '/';
    }
  }
  while (!name.empty() && name.back() == '/') {
    name.pop_back();
  }
  return name;
}

// The entry's name as UTF-8, from libarchive's entry and the header the walker read.
std::string entryName(archive_entry* entry, const RarEntry& header) {
  if (auto name = hostEntryName(entry, header)) {
    return *name;
  }
  const char* utf8 = archive_entry_pathname_utf8(entry);
  const char* native = archive_entry_pathname(entry);
  return utf8 != nullptr ? utf8 : native != nullptr ? native : "";
}

// The name of the file a hard link stands for, as UTF-8; none for any other entry.
std::optional<std::string> hardLinkTarget(archive_entry* entry) {
  if (const char* utf8 = archive_entry_hardlink_utf8(entry)) {
    return utf8;
  }
  if (auto wide = wideHardLinkTarget(entry)) {
    return wide;
  }
  if (const char* native = archive_entry_hardlink(entry)) {
    return native;
  }
  return std::nullopt;
}

// The last part of an entry name, "/" or "\" separated: the e command drops stored folders, and
// with them any way out of the target folder.
std::string lastComponent(const std::string& name) {
  const auto slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string libarchiveMessage(archive* reader) {
  const char* text = archive_error_string(reader);
  return text != nullptr ? text : "error desconocido";
}

// Closes a file when the scope that opened it ends, however it ends.
struct ClosedOnExit {
  int fd;
  ~ClosedOnExit() { closeFile(fd); }
};

class Extraction {
 public:
  Extraction(const fs::path& archive, const fs::path& target, const std::string& archiveText)
      : archive_(archive), target_(target), archiveText_(archiveText) {}

  ExtractResult run();

 private:
  void fail(int code, const std::string& reason) {
    if (result_.failures++ == 0) {
      result_.exitCode = code;
      result_.reason = reason;
    }
  }
  // A new file of the target folder; none, after the failure, when it cannot be made.
  std::optional<TargetFolder::Pending> begin(const std::string& flatName) {
    try {
      return folder_->begin(flatName);
    } catch (const std::runtime_error& e) {
      fail(rarexit::kCreate, e.what());
      return std::nullopt;
    }
  }
  void extractAll(archive* reader, ArchiveInput& input, const RarHeaderWalker& walker);
  void extractEntry(archive* reader, ArchiveInput& input, archive_entry* entry,
                    const RarEntry& header);
  // Writes the entry's data to pending, checked; false, after the failure, when it cannot.
  bool copyData(archive* reader, ArchiveInput& input, archive_entry* entry, const RarEntry& header,
                const std::string& name, TargetFolder::Pending& pending);
  void copyHardLink(archive_entry* entry, const std::string& linkTarget,
                    const std::string& flatName);

  fs::path archive_;
  fs::path target_;
  std::string archiveText_;
  ExtractResult result_;
  std::unique_ptr<TargetFolder> folder_;
  // Archive path of each file written, to its name in the target folder, for hard links.
  std::map<std::string, std::string> extracted_;
  std::vector<char> buffer_ = std::vector<char>(kBufferSize);
};

ExtractResult Extraction::run() {
  const int fd = openForReading(archive_);
  const long long size = fd >= 0 ? fileSize(fd) : -1;
  if (size < 0) {
    fail(rarexit::kOpen, errno == ENOENT
                             ? "No se encontró el archivo " + archiveText_
                             : "No se puede abrir " + archiveText_ + ": " + systemReason(errno));
    if (fd >= 0) {
      closeFile(fd);
    }
    return result_;
  }
  const auto archiveSize = static_cast<std::uint64_t>(size);
  RarHeaderWalker walker(archiveSize);
  ArchiveInput input(fd, archiveSize, walker);
  if (!input.prime()) {
    fail(rarexit::kOpen, "No se puede leer " + archiveText_ + ": " + systemReason(input.error()));
    return result_;
  }
  if (walker.format() == RarFormat::None) {
    fail(rarexit::kFatal, archiveText_ + " no es un archivo RAR");
    return result_;
  }
  if (walker.headersEncrypted()) {
    fail(rarexit::kEncrypted, archiveText_ + " está cifrado: hace falta una contraseña");
    return result_;
  }
  try {
    folder_ = std::make_unique<TargetFolder>(target_);
  } catch (const std::runtime_error& e) {
    fail(rarexit::kCreate, e.what());
    return result_;
  }

  std::unique_ptr<archive, decltype(&archive_read_free)> reader(archive_read_new(),
                                                                &archive_read_free);
  archive_read_support_format_rar(reader.get());
  archive_read_support_format_rar5(reader.get());
  if (archive_read_open2(reader.get(), &input, nullptr, &ArchiveInput::read, &ArchiveInput::skip,
                         nullptr) != ARCHIVE_OK) {
    fail(rarexit::kOpen,
         "No se puede abrir " + archiveText_ + ": " + libarchiveMessage(reader.get()));
    return result_;
  }
  extractAll(reader.get(), input, walker);
  return result_;
}

void Extraction::extractAll(archive* reader, ArchiveInput& input, const RarHeaderWalker& walker) {
  std::size_t index = 0;
  while (true) {
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(reader, &entry);
    if (status == ARCHIVE_EOF) {
      break;
    }
    // A failed header is not skipped: libarchive 3.6.2 may return the same failure forever.
    if (status < ARCHIVE_WARN) {
      fail(rarexit::kFatal, archiveText_ + " está dañado: " + libarchiveMessage(reader));
      return;
    }
    // libarchive gives one entry per file header, in order, and has read each one through the
    // walker; one the walk did not reach cannot be checked.
    if (index >= walker.files().size()) {
      fail(rarexit::kFatal,
           archiveText_ + " está dañado: " +
               (walker.problem().empty() ? "entrada inesperada" : walker.problem()));
      return;
    }
    // A copy: the walker's list grows while the entry's data is read.
    const RarEntry header = walker.files()[index];
    extractEntry(reader, input, entry, header);
    ++index;
  }
  input.drain();
  if (!walker.problem().empty()) {
    fail(rarexit::kFatal, archiveText_ + " está dañado: " + walker.problem());
  } else if (index != walker.files().size()) {
    fail(rarexit::kFatal, archiveText_ + " está dañado: faltan entradas");
  }
}

void Extraction::extractEntry(archive* reader, ArchiveInput& input, archive_entry* entry,
                              const RarEntry& header) {
  const std::string name = entryName(entry, header);
  const std::string flatName = lastComponent(name);
  const auto type = archive_entry_filetype(entry);

  if (header.nameComparable && normalized(header.name) != normalized(name)) {
    fail(rarexit::kFatal, archiveText_ + " está dañado: encabezado inesperado de " + name);
    return;
  }
  if (type == AE_IFDIR || type == AE_IFLNK || flatName.empty() || flatName == "." ||
      flatName == "..") {
    return;
  }
  if (header.copyOf) {
    fail(rarexit::kFatal, name + " es una copia de " + *header.copyOf +
                              " dentro del archivo (referencia de RAR 5), que no se extrae");
    return;
  }
  // Windows refuses such a name (or, after a colon, makes a hidden stream of another file); a
  // POSIX host would make it, and the updater would meet its tab or quote in a grid row or on a
  // command line.
  if (!isWindowsFileName(flatName)) {
    fail(rarexit::kCreate,
         printableName(name) + " no se extrae: su nombre tiene caracteres que Windows no admite");
    return;
  }
  if (const auto linkTarget = hardLinkTarget(entry)) {
    copyHardLink(entry, normalized(*linkTarget), flatName);
    return;
  }
  if (type != AE_IFREG) {
    return;
  }
  if (archive_entry_is_encrypted(entry) || header.encrypted) {
    fail(rarexit::kEncrypted, name + " está cifrado: hace falta una contraseña");
    return;
  }
  if (header.continuesFromPreviousVolume || header.continuesInNextVolume) {
    fail(rarexit::kFatal, name + " continúa en otro volumen, que falta");
    return;
  }
  if (!header.dataComplete) {
    fail(rarexit::kFatal, name + " está incompleto: el archivo termina antes de tiempo");
    return;
  }

  std::optional<TargetFolder::Pending> pending = begin(flatName);
  if (!pending) {
    return;
  }
  if (!copyData(reader, input, entry, header, name, *pending)) {
    return;
  }
  const std::time_t mtime =
      archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : std::time(nullptr);
  const long nanoseconds = archive_entry_mtime_is_set(entry) ? archive_entry_mtime_nsec(entry) : 0;
  if (!folder_->commit(*pending, mtime, nanoseconds)) {
    fail(rarexit::kCreate, name + " no se puede escribir: " + systemReason(errno));
    return;
  }
  extracted_[normalized(name)] = flatName;
}

bool Extraction::copyData(archive* reader, ArchiveInput& input, archive_entry* entry,
                          const RarEntry& header, const std::string& name,
                          TargetFolder::Pending& pending) {
  const bool sizeKnown = archive_entry_size_is_set(entry) != 0;
  const auto size = static_cast<std::uint64_t>(archive_entry_size(entry));
  // libarchive checks the CRC32 of the data it decompresses, not of stored data.
  const bool checkCrc = header.stored && header.crc.has_value();
  // A file stored on its own is read straight from the archive, and libarchive skips it: reading
  // it, libarchive would compute a CRC32 of its own that it never checks.
  const bool direct = header.dataIsFile && sizeKnown && size == header.dataSize;
  std::uint64_t total = 0;
  std::uint32_t crc = 0;
  while (true) {
    const void* block = buffer_.data();
    std::size_t got = 0;
    if (direct) {
      got = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), size - total));
      if (got == 0) {
        break;
      }
      if (const char* bytes = input.held(header.dataOffset + total, got)) {
        block = bytes;
      } else if (!input.readAt(header.dataOffset + total, buffer_.data(), got)) {
        fail(rarexit::kFatal, name + " no se puede leer: " + systemReason(input.error()));
        return false;
      }
    } else {
      la_int64_t offset = 0;
      const int status = archive_read_data_block(reader, &block, &got, &offset);
      if (status == ARCHIVE_EOF) {
        break;
      }
      if (status < ARCHIVE_WARN || offset != static_cast<la_int64_t>(total)) {
        fail(rarexit::kFatal, name + " no se puede extraer: " + libarchiveMessage(reader));
        return false;
      }
    }
    total += got;
    if (sizeKnown && total > size) {
      break;  // reported below as a size mismatch
    }
    if (checkCrc) {
      crc = ::libdeflate_crc32(crc, block, got);
    }
    if (!pending.write(block, got)) {
      fail(rarexit::kCreate, name + " no se puede escribir: " + systemReason(errno));
      return false;
    }
  }
  if (sizeKnown && total != size) {
    fail(rarexit::kFatal, name + " está dañado: el tamaño no coincide");
    return false;
  }
  if (checkCrc && *header.crc != crc) {
    fail(rarexit::kCrc, "Error de CRC en " + name + ": el archivo está dañado");
    return false;
  }
  return true;
}

void Extraction::copyHardLink(archive_entry* entry, const std::string& linkTarget,
                              const std::string& flatName) {
  const auto found = extracted_.find(linkTarget);
  const fs::path source = found != extracted_.end() ? folder_->written(found->second) : fs::path();
  if (source.empty()) {
    fail(rarexit::kFatal, flatName + " enlaza con " + linkTarget + ", que no se extrajo");
    return;
  }
  const std::string unreadable =
      flatName + " enlaza con " + linkTarget + ", que no se puede leer: ";
  const int input = openForReading(source);
  if (input < 0) {
    fail(rarexit::kFatal, unreadable + systemReason(errno));
    return;
  }
  const ClosedOnExit closer{input};
  std::optional<TargetFolder::Pending> pending = begin(flatName);
  if (!pending) {
    return;
  }
  while (true) {
    const auto got = readSome(input, buffer_.data(), buffer_.size());
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      fail(rarexit::kFatal, unreadable + systemReason(errno));
      return;
    }
    if (got == 0) {
      break;
    }
    if (!pending->write(buffer_.data(), static_cast<std::size_t>(got))) {
      fail(rarexit::kCreate, flatName + " no se puede escribir: " + systemReason(errno));
      return;
    }
  }
  if (!folder_->commit(*pending, archive_entry_mtime(entry), archive_entry_mtime_nsec(entry))) {
    fail(rarexit::kCreate, flatName + " no se puede escribir: " + systemReason(errno));
  }
}

}  // namespace

ExtractResult extractArchive(const fs::path& archive, const fs::path& target,
                             const std::string& archiveText) {
  return Extraction(archive, target, archiveText).run();
}

}  // namespace fd
