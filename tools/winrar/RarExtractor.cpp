#include "tools/winrar/RarExtractor.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include "platform/win32/Win32Text.h"
#endif
#include "platform/Text.h"
#include "tools/winrar/RarHeaders.h"
#include "tools/winrar/TargetFolder.h"

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

// The few file calls that differ between the hosts.
#ifdef _WIN32
int openForReading(const fs::path& path) {
  return ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

// The file's size, or -1.
long long fileSize(int fd) {
  return ::_filelengthi64(fd);
}

int readSome(int fd, char* data, std::size_t size) {
  return ::_read(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

bool seekBy(int fd, long long step) {
  return ::_lseeki64(fd, step, SEEK_CUR) >= 0;
}

// Windows has no pread: the position is put back after the read.
int readSomeAt(int fd, char* data, std::size_t size, std::uint64_t offset) {
  const long long position = ::_lseeki64(fd, 0, SEEK_CUR);
  if (position < 0 || ::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0) {
    return -1;
  }
  const int got = readSome(fd, data, size);
  const int error = errno;
  if (::_lseeki64(fd, position, SEEK_SET) < 0) {
    return -1;
  }
  errno = error;
  return got;
}

void closeFile(int fd) {
  ::_close(fd);
}
#else
int openForReading(const fs::path& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

long long fileSize(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

ssize_t readSome(int fd, char* data, std::size_t size) {
  return ::read(fd, data, size);
}

bool seekBy(int fd, long long step) {
  return ::lseek(fd, static_cast<off_t>(step), SEEK_CUR) >= 0;
}

ssize_t readSomeAt(int fd, char* data, std::size_t size, std::uint64_t offset) {
  return ::pread(fd, data, size, static_cast<off_t>(offset));
}

void closeFile(int fd) {
  ::close(fd);
}
#endif

// Closes a file when the scope that opened it ends, however it ends.
struct ClosedOnExit {
  int fd;
  ~ClosedOnExit() { closeFile(fd); }
};

// The entry's name as UTF-8. On Windows libarchive keeps names as wide text, its UTF-8 form goes
// through the system's code page, and a name stored without its Unicode form is read in the OEM
// code page; RAR on other systems stores UTF-8 there, which the header holds as it is.
std::string entryName(archive_entry* entry, const RarEntry& header) {
#ifdef _WIN32
  if (header.nameComparable &&
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, header.name.data(),
                          static_cast<int>(header.name.size()), nullptr, 0) > 0) {
    return header.name;
  }
  if (const wchar_t* wide = archive_entry_pathname_w(entry)) {
    return narrow(wide);
  }
#else
  (void)header;
#endif
  const char* utf8 = archive_entry_pathname_utf8(entry);
  const char* native = archive_entry_pathname(entry);
  return utf8 != nullptr ? utf8 : native != nullptr ? native : "";
}

// The name of the file a hard link stands for, as UTF-8; none for any other entry. The UTF-8 form
// comes first: on Windows libarchive has neither a wide nor a narrow form of a name that the
// code page cannot spell, and the link would pass for an empty file.
std::optional<std::string> hardLinkTarget(archive_entry* entry) {
  if (const char* utf8 = archive_entry_hardlink_utf8(entry)) {
    return utf8;
  }
#ifdef _WIN32
  if (const wchar_t* wide = archive_entry_hardlink_w(entry)) {
    return narrow(wide);
  }
#endif
  if (const char* native = archive_entry_hardlink(entry)) {
    return native;
  }
  return std::nullopt;
}

// The archive file, read once from front to back. Each block goes through the header walker
// before libarchive gets it; what libarchive skips is a data area the extractor read itself.
// Blocks are small enough to stay in the processor's cache while their data is checked and
// written out; only the first one is larger.
class ArchiveInput {
 public:
  ArchiveInput(int fd, std::uint64_t size, RarHeaderWalker& walker)
      : fd_(fd), size_(size), walker_(walker), block_(kFirstBlockSize) {}
  ~ArchiveInput() { closeFile(fd_); }

  // Reads the first block, which holds the whole signature search, before libarchive starts.
  bool prime() {
    if (!readBlock(kFirstBlockSize)) {
      return false;
    }
    primed_ = true;
    return true;
  }

  static la_ssize_t read(archive* reader, void* self, const void** block) {
    auto* input = static_cast<ArchiveInput*>(self);
    if (!input->primed_ && !input->readBlock(kBlockSize)) {
      archive_set_error(reader, input->error_, "%s", systemReason(input->error_).c_str());
      return -1;
    }
    input->primed_ = false;
    *block = input->block_.data();
    return static_cast<la_ssize_t>(input->got_);
  }

  static la_int64_t skip(archive*, void* self, la_int64_t request) {
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

  // The bytes at offset when the block read last holds all of them, else null: the data of a
  // small file usually lies in the block that held its header.
  const char* held(std::uint64_t offset, std::size_t size) const {
    return offset >= blockStart_ && offset + size <= blockStart_ + got_
               ? block_.data() + (offset - blockStart_)
               : nullptr;
  }

  // Reads size bytes at offset, without moving the position libarchive reads from.
  bool readAt(std::uint64_t offset, char* data, std::size_t size) {
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

  // Walks what libarchive left unread, so that the walk reaches the archive's end.
  void drain() {
    while (!walker_.stopped() && readBlock(kBlockSize) && got_ > 0) {
    }
  }

  int error() const { return error_; }

 private:
  bool readBlock(std::size_t wanted) {
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
