#pragma once

#include <filesystem>
#include <string>

namespace fd {

// RAR's own exit codes, which the extractor imitates.
namespace rarexit {
constexpr int kSuccess = 0;
constexpr int kFatal = 2;
constexpr int kCrc = 3;
constexpr int kOpen = 6;
constexpr int kUsage = 7;
constexpr int kCreate = 9;
constexpr int kEncrypted = 11;
}  // namespace rarexit

struct ExtractResult {
  int exitCode = rarexit::kSuccess;
  // The first failure, one line, and how many there were.
  std::string reason;
  int failures = 0;
};

// Extracts every file of a RAR 4 or RAR 5 archive into target, flat (stored folders dropped),
// replacing files already there. Folders, links and names that reduce to nothing, "." or ".." are
// skipped; a hard link becomes a copy of its target's file. A file that cannot be extracted whole
// and verified (encrypted, damaged, truncated, continued in another volume, a RAR 5 file copy, no
// room on the disk) leaves nothing at its name, or what was there before. The archive is read
// once, from front to back. archiveText names the archive in messages.
ExtractResult extractArchive(const std::filesystem::path& archive,
                             const std::filesystem::path& target, const std::string& archiveText);

}  // namespace fd
