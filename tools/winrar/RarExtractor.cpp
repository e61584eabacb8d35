#include "tools/winrar/RarExtractor.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/Win32Text.h"
#endif
#include "tools/mkrar/Crc32.h"
#include "tools/winrar/RarHeaders.h"
#include "tools/winrar/TargetFolder.h"

namespace fd {

namespace fs = std::filesystem;

namespace {

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

// The name of the file a hard link stands for, as UTF-8; empty for any other entry. On Windows a
// name the code page cannot spell has no narrow form at all.
std::string hardLinkTarget(archive_entry* entry) {
#ifdef _WIN32
  if (const wchar_t* wide = archive_entry_hardlink_w(entry)) {
    return narrow(wide);
  }
#endif
  const char* utf8 = archive_entry_hardlink_utf8(entry);
  const char* native = archive_entry_hardlink(entry);
  return utf8 != nullptr ? utf8 : native != nullptr ? native : "";
}

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
  void extractEntry(archive* reader, archive_entry* entry, const RarEntry& header);
  void copyHardLink(archive_entry* entry, const std::string& flatName);

  fs::path archive_;
  fs::path target_;
  std::string archiveText_;
  ExtractResult result_;
  std::unique_ptr<TargetFolder> folder_;
  // Archive path of each file written, to its name in the target folder, for hard links.
  std::map<std::string, std::string> extracted_;
};

ExtractResult Extraction::run() {
  std::error_code error;
  if (!fs::exists(archive_, error)) {
    fail(rarexit::kOpen, "No se encontró el archivo " + archiveText_);
    return result_;
  }
  if (!std::ifstream(archive_, std::ios::binary)) {
    fail(rarexit::kOpen, "No se puede abrir " + archiveText_ + ": " + std::strerror(errno));
    return result_;
  }
  const RarSignature signature = findRarSignature(archive_);
  if (signature.format == RarFormat::None) {
    fail(rarexit::kFatal, archiveText_ + " no es un archivo RAR");
    return result_;
  }
  const RarHeaders headers = readRarHeaders(archive_, signature);
  if (headers.headersEncrypted) {
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
#ifdef _WIN32
  const int opened = archive_read_open_filename_w(reader.get(), archive_.c_str(), kBufferSize);
#else
  const int opened = archive_read_open_filename(reader.get(), archive_.c_str(), kBufferSize);
#endif
  if (opened != ARCHIVE_OK) {
    fail(rarexit::kOpen,
         "No se puede abrir " + archiveText_ + ": " + libarchiveMessage(reader.get()));
    return result_;
  }

  // Every header takes bytes of the file, so more entries than bytes means the reader is stuck.
  const auto entryLimit = fs::file_size(archive_, error) + 16;
  std::size_t index = 0;
  while (true) {
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(reader.get(), &entry);
    if (status == ARCHIVE_EOF) {
      break;
    }
    // A failed header is not skipped: libarchive 3.6.2 may return the same failure forever.
    if (status < ARCHIVE_WARN || index >= entryLimit) {
      fail(rarexit::kFatal, archiveText_ + " está dañado: " + libarchiveMessage(reader.get()));
      return result_;
    }
    // libarchive gives one entry per file header, in order; one the walk did not reach cannot be
    // checked.
    if (index >= headers.files.size()) {
      fail(rarexit::kFatal, archiveText_ + " está dañado: " +
                                (headers.problem.empty() ? "entrada inesperada" : headers.problem));
      return result_;
    }
    extractEntry(reader.get(), entry, headers.files[index]);
    ++index;
  }
  if (!headers.problem.empty()) {
    fail(rarexit::kFatal, archiveText_ + " está dañado: " + headers.problem);
  } else if (index != headers.files.size()) {
    fail(rarexit::kFatal, archiveText_ + " está dañado: faltan entradas");
  }
  return result_;
}

void Extraction::extractEntry(archive* reader, archive_entry* entry, const RarEntry& header) {
  const std::string name = entryName(entry, header);
  const std::string flatName = lastComponent(name);
  const auto type = archive_entry_filetype(entry);

  if (header.nameComparable && normalized(header.name) != normalized(name)) {
    fail(rarexit::kFatal, archiveText_ + " está dañado: encabezado inesperado de " + name);
    folder_->discard(flatName);
    return;
  }
  if (type == AE_IFDIR || type == AE_IFLNK || flatName.empty() || flatName == "." ||
      flatName == "..") {
    return;
  }
  if (!hardLinkTarget(entry).empty()) {
    copyHardLink(entry, flatName);
    return;
  }
  if (type != AE_IFREG) {
    return;
  }
  if (archive_entry_is_encrypted(entry) || header.encrypted) {
    fail(rarexit::kEncrypted, name + " está cifrado: hace falta una contraseña");
    folder_->discard(flatName);
    return;
  }
  if (header.continuesFromPreviousVolume || header.continuesInNextVolume) {
    fail(rarexit::kFatal, name + " continúa en otro volumen, que falta");
    folder_->discard(flatName);
    return;
  }
  if (!header.dataComplete) {
    fail(rarexit::kFatal, name + " está incompleto: el archivo termina antes de tiempo");
    folder_->discard(flatName);
    return;
  }

  std::optional<TargetFolder::Pending> pending;
  try {
    pending.emplace(folder_->begin(flatName));
  } catch (const std::runtime_error& e) {
    fail(rarexit::kCreate, e.what());
    return;
  }
  const bool sizeKnown = archive_entry_size_is_set(entry) != 0;
  const auto size = static_cast<std::uint64_t>(archive_entry_size(entry));
  std::vector<char> buffer(kBufferSize);
  std::uint64_t total = 0;
  std::uint32_t crc = 0;
  while (true) {
    const la_ssize_t got = archive_read_data(reader, buffer.data(), buffer.size());
    if (got == 0) {
      break;
    }
    if (got < 0) {
      fail(rarexit::kFatal, name + " no se puede extraer: " + libarchiveMessage(reader));
      pending.reset();
      folder_->discard(flatName);
      return;
    }
    total += static_cast<std::uint64_t>(got);
    if (sizeKnown && total > size) {
      break;  // reported below as a size mismatch
    }
    crc = Crc32::update(crc, buffer.data(), static_cast<std::size_t>(got));
    if (!pending->write(buffer.data(), static_cast<std::size_t>(got))) {
      fail(rarexit::kCreate, name + " no se puede escribir: " + std::strerror(errno));
      pending.reset();
      folder_->discard(flatName);
      return;
    }
  }
  if (sizeKnown && total != size) {
    fail(rarexit::kFatal, name + " está dañado: el tamaño no coincide");
    pending.reset();
    folder_->discard(flatName);
    return;
  }
  if (header.crc && *header.crc != crc) {
    fail(rarexit::kCrc, "Error de CRC en " + name + ": el archivo está dañado");
    pending.reset();
    folder_->discard(flatName);
    return;
  }
  const std::time_t mtime =
      archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : std::time(nullptr);
  const long nanoseconds = archive_entry_mtime_is_set(entry) ? archive_entry_mtime_nsec(entry) : 0;
  if (!folder_->commit(*pending, mtime, nanoseconds)) {
    fail(rarexit::kCreate, name + " no se puede escribir: " + std::strerror(errno));
    folder_->discard(flatName);
    return;
  }
  extracted_[normalized(name)] = flatName;
}

void Extraction::copyHardLink(archive_entry* entry, const std::string& flatName) {
  const std::string linkTarget = normalized(hardLinkTarget(entry));
  const auto found = extracted_.find(linkTarget);
  const fs::path source = found != extracted_.end() ? folder_->written(found->second) : fs::path();
  if (source.empty()) {
    fail(rarexit::kFatal, flatName + " enlaza con " + linkTarget + ", que no se extrajo");
    folder_->discard(flatName);
    return;
  }
  std::ifstream in(source, std::ios::binary);
  std::optional<TargetFolder::Pending> pending;
  try {
    pending.emplace(folder_->begin(flatName));
  } catch (const std::runtime_error& e) {
    fail(rarexit::kCreate, e.what());
    return;
  }
  std::vector<char> buffer(kBufferSize);
  bool written = true;
  while (in && written) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    written = pending->write(buffer.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (!written || in.bad() ||
      !folder_->commit(*pending, archive_entry_mtime(entry), archive_entry_mtime_nsec(entry))) {
    fail(rarexit::kCreate, flatName + " no se puede escribir: " + std::strerror(errno));
    pending.reset();
    folder_->discard(flatName);
  }
}

}  // namespace

ExtractResult extractArchive(const fs::path& archive, const fs::path& target,
                             const std::string& archiveText) {
  return Extraction(archive, target, archiveText).run();
}

}  // namespace fd
