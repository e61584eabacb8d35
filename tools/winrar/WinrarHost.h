#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

struct archive_entry;

namespace fd {

struct RarEntry;

// What the extractor does differently on each host: the few file calls it makes itself, how
// libarchive gives it a name, and how a command-line path reaches the host. Names are UTF-8 on
// both: an fs::path is made from char8_t, since on Windows a plain std::string would be read in
// the system's code page. PosixWinrarHost.cpp and Win32WinrarHost.cpp define them.

// A path as the host's calls take it, for the signal handler, which may not allocate.
using NativeChar = std::filesystem::path::value_type;

// Reading the archive. A failed call returns -1 with errno set.
int openForReading(const std::filesystem::path& path);
// The file's size, or -1.
long long fileSize(int fd);
long long readSome(int fd, char* data, std::size_t size);
bool seekBy(int fd, long long step);
// Reads at offset without moving the position the next readSome starts from.
long long readSomeAt(int fd, char* data, std::size_t size, std::uint64_t offset);
int closeFile(int fd);

// Writing the target folder.
int processId();
// A new file that no other file was at: -1 with errno EEXIST when one was.
int createFile(const std::filesystem::path& path);
// Writes all of bytes, retrying writes a signal interrupted; false when a write failed (errno
// says why).
bool writeWhole(int fd, const char* bytes, std::size_t size);
bool setTime(int fd, std::time_t mtime, long nanoseconds);
bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to);
// A file of the folder without a name, which only a finished file gets (nameUnnamedFile): a file
// cut short by anything, a kill included, leaves nothing behind, and the folder's entries are
// touched once per file instead of twice. -1 where the file system has no such files.
int createUnnamed(const std::filesystem::path& folder);
// Whether files without a name can be given one on this host.
bool canCreateUnnamed();
// Gives a file made by createUnnamed the name path; false with errno set when it cannot.
bool nameUnnamedFile(int fd, const std::filesystem::path& path);
// Safe in a signal handler.
void removeFile(const NativeChar* path);
// Sends the signals that end the extractor to handler; a file-size limit is left to fail the
// write, as a full disk does.
void onEndSignals(void (*handler)(int));

// Where the host reads an entry's name, as UTF-8, before libarchive's UTF-8 and narrow forms of
// it (RarExtractor's entryName); none where those serve.
std::optional<std::string> hostEntryName(archive_entry* entry, const RarEntry& header);
// libarchive's wide form of a hard link's target, as UTF-8, where the host has one: read after
// the UTF-8 form and before the narrow one.
std::optional<std::string> wideHardLinkTarget(archive_entry* entry);

// The host path of a path given on the command line.
std::filesystem::path argumentPath(const std::string& text);

}  // namespace fd
