#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

namespace fd {

// Writes a RAR 5.0 archive of stored (uncompressed) entries: signature, main archive header, one
// file header with its data per entry, end of archive header. Names are UTF-8 and stored exactly
// as given, so that an archive may hold folders ("a/b.txt"), "../" names, spaces and accents.
// Failures are thrown as std::runtime_error with a message for the user.
class RarWriter {
 public:
  explicit RarWriter(const std::filesystem::path& archive);

  // Stores the content of the file at source under name, with the given modification time.
  void addFile(std::string_view name, const std::filesystem::path& source, std::time_t mtime);
  // Stores name as a RAR 5 "file copy": a reference to the file stored earlier as original.
  void addFileCopy(std::string_view name, std::string_view original, std::time_t mtime);
  // Stores name as a hard link to the file stored earlier as original.
  void addHardLink(std::string_view name, std::string_view original, std::time_t mtime);
  void addFolder(std::string_view name, std::time_t mtime);
  // Writes the end of archive header and closes the archive.
  void finish();

 private:
  void writeHeader(const std::string& body);
  // A file header without data of its own that refers to original (a redirection of type).
  void addRedirection(std::string_view name, std::string_view original, std::uint64_t type,
                      std::time_t mtime);

  std::filesystem::path path_;
  std::ofstream out_;
  // Size and CRC32 of each file stored so far, by name, for file copies.
  std::map<std::string, std::pair<std::uint64_t, std::uint32_t>> stored_;
};

// Seconds since 1970 of a file's last modification.
std::time_t modificationTime(const std::filesystem::path& file);

}  // namespace fd
