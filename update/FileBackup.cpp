#include "update/FileBackup.h"

#include "platform/AppError.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"

namespace fd {

namespace {
constexpr const char* kSource = "FileBackup";
}  // namespace

FileBackup::FileBackup(FileSystem& fs, UpdateLog& log, const std::string& pathApp,
                       const std::string& stamp)
    : fs_(fs), log_(log), folder_(folderOf(pathApp, stamp)) {}

std::string FileBackup::folderOf(const std::string& pathApp, const std::string& stamp) {
  return pathApp + kCarpeta + stamp + "\\";
}

std::string FileBackup::keptPath(const std::string& folder, const std::string& original) {
  std::string relative;
  for (const std::string& part : splitText(original, '\\')) {
    if (part == "..")
      return "";
    // The drive "C:" becomes the folder "C"; the empty parts of "\\server\share" go.
    std::string name = part.size() == 2 && part[1] == ':' ? part.substr(0, 1) : part;
    if (name.empty() || name == ".")
      continue;
    relative += (relative.empty() ? "" : "\\") + name;
  }
  return relative.empty() ? "" : folder + relative;
}

std::vector<FileBackup::Entry> FileBackup::read(const FileSystem& fs, const std::string& folder) {
  std::vector<Entry> entries;
  for (const std::string& line : fs.readLines(folder + kIndice)) {
    std::vector<std::string> fields = splitText(line, '\t');
    if (fields.size() < 2 || fields[0].empty())
      continue;
    entries.push_back({fields[0], fields[1] == kNuevo});
  }
  return entries;
}

void FileBackup::keep(const std::string& target) {
  if (!loaded_) {
    // A second run within the same stamp keeps what the first one kept.
    loaded_ = true;
    if (fs_.fileExists(folder_ + kIndice)) {
      for (const Entry& entry : read(fs_, folder_))
        listed_.insert(toUpper(entry.original));
    }
  }
  if (listed_.contains(toUpper(target)))
    return;

  const std::string kept = keptPath(folder_, target);
  try {
    if (kept.empty())
      throw AppError(err::kInvalidCall, kSource, standardDescription(err::kInvalidCall));
    if (fs_.fileExists(target)) {
      makeFolders(kept.substr(0, kept.rfind('\\') + 1));
      fs_.copyFile(target, kept, true);
      fs_.appendLine(folder_ + kIndice, target + "\t" + std::to_string(fs_.fileSize(target)) +
                                            "\t" + formatGeneralDate(fs_.lastModified(target)));
      log_.EscribirLog(" Respaldo " + target + " en " + kept);
    } else {
      makeFolders(folder_);
      fs_.appendLine(folder_ + kIndice, target + "\t" + kNuevo);
    }
  } catch (const AppError& error) {
    throw AppError(err::kPathFileAccess, kSource,
                   "No se pudo respaldar el archivo " + target + " en " + folder_ + " (" +
                       std::to_string(error.number()) + " " + error.description() +
                       "); el archivo no se reemplazó");
  }
  listed_.insert(toUpper(target));
}

void FileBackup::makeFolders(const std::string& folder) {
  // One level at a time, from the first missing one down.
  std::size_t next = folder.find('\\');
  while (next != std::string::npos) {
    const std::string level = folder.substr(0, next + 1);
    if (level.size() > 3 && !fs_.folderExists(level))
      fs_.createFolder(level);
    next = folder.find('\\', next + 1);
  }
}

}  // namespace fd
