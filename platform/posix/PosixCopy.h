#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>

namespace fd {

// The ways PosixFileSystem::copyFile writes a copy; each throws AppError (or says why it failed).

// The file a copy to path replaces, if any, with its path: a symbolic link is followed to the file
// it names, which the copy replaces while the link stays.
std::optional<struct stat> existingTarget(std::filesystem::path& path);

enum class Unnamed { kCopied, kUnsupported, kExists, kFailed };

// Copies a new file the way that leaves nothing half-written and touches the folder's entries
// once: written into a file of the folder that has no name yet and named only when whole, so that
// a copy cut short, by a kill too, leaves nothing. kUnsupported where the file system (or a host
// without /proc) has no such files, before anything was read; errno holds why it failed.
Unnamed copyUnnamed(int input, off_t size, const std::filesystem::path& folder,
                    const std::filesystem::path& target, mode_t mode, const timespec times[2]);

// Copies input to the path to, replacing the file replaced (with its owner and permission bits)
// when there is one: written beside it under a hidden temporary name and renamed over it. Where
// the folder refuses the temporary file but the replaced file may be written, that file is
// rewritten in place instead. True when the copy was given its name, false when it was written in
// place.
bool copyBesideAndRename(int input, const struct stat& sourceInfo, const std::filesystem::path& to,
                         const std::optional<struct stat>& replaced, bool folderReadOnly,
                         const timespec times[2]);

}  // namespace fd
