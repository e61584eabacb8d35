#pragma once

#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace fd {

// The folder an archive is extracted into. Each file is written to a temporary file in the folder
// and renamed over its final name only once it is complete and verified, so that no file is ever
// left half-written and a file already there is replaced only by a good one; where the file
// system allows, a file for a name new to the folder is written without a name and given its
// final one when complete, and one cut short leaves nothing at all. Names are matched
// without regard to letter case, as on Windows: an entry replaces an existing file whose name
// differs only in case, under that file's name.
class TargetFolder {
 public:
  // Creates the folder when it is missing; throws std::runtime_error when it cannot.
  explicit TargetFolder(std::filesystem::path folder);

  class Pending {
   public:
    Pending(Pending&& other) noexcept;
    Pending& operator=(Pending&&) = delete;
    ~Pending();

    // Appends bytes; false when the disk refuses them (errno says why).
    bool write(const void* data, std::size_t size);

   private:
    friend class TargetFolder;
    Pending(int fd, std::filesystem::path temporary, std::string name);
    int fd_;
    // Empty for a file without a name.
    std::filesystem::path temporary_;
    std::string name_;
  };

  // A new temporary file for the entry named name (a bare file name), under a short name of its
  // own so that any name the file system takes can be extracted; throws std::runtime_error when
  // it cannot be created.
  Pending begin(const std::string& name);
  // Renames the finished temporary file over the entry's final name, with the given modification
  // time; false when it cannot (the temporary file is then removed).
  bool commit(Pending& pending, std::time_t mtime, long mtimeNanoseconds);
  // The host path of a file written by this extraction under name, or an empty path.
  std::filesystem::path written(const std::string& name) const;

 private:
  std::string finalName(const std::string& name) const;
  std::filesystem::path nextTemporary();
  // Gives a file without a name its final name, replacing a file put there meanwhile (through a
  // temporary name), and closes it.
  bool commitUnnamed(int fd, const std::filesystem::path& path, std::time_t mtime,
                     long mtimeNanoseconds);
  bool linkOver(int fd, const std::filesystem::path& path);

  std::filesystem::path folder_;
  // Case-folded name to the name on disk, for every ordinary file in the folder.
  std::map<std::string, std::string> names_;
  std::set<std::string> written_;
  // Temporary names: this prefix, which keeps two extractors into one folder apart, and a count.
  std::string temporaryPrefix_;
  unsigned temporaries_ = 0;
  // Files without a name are used while the file system takes them.
  bool unnamed_;
};

// Removes the temporary file being written when the extractor is ended by a signal. A file-size
// limit (SIGXFSZ) does not end it: the write then fails as on a full disk.
void removePendingFileOnSignal();

// Why a file operation failed, in Spanish, from its errno value.
std::string systemReason(int error);

}  // namespace fd
