#include "update/FileBackup.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"

namespace fd {

namespace {
constexpr const char* kSource = "FileBackup";
constexpr const char* kBom = "\xEF\xBB\xBF";
// Runs of one second that a start may make before its backups are refused.
constexpr int kMostRuns = 999;

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The run number of a backup name: 1 without a suffix.
int runOf(const std::string& name) {
  return name.size() > 16 ? std::stoi(name.substr(16)) : 1;
}
}  // namespace

FileBackup::FileBackup(FileSystem& fs, UpdateLog& log, std::string pathApp, std::string stamp)
    : fs_(fs), log_(log), pathApp_(std::move(pathApp)), stamp_(std::move(stamp)) {}

std::string FileBackup::stampOf(const LocalDateTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", when.year, when.month, when.day,
                when.hour, when.minute, when.second);
  return text;
}

bool FileBackup::isBackupName(const std::string& name) {
  if (name.size() < 15 || !allDigits(name.substr(0, 8)) || name[8] != '-' ||
      !allDigits(name.substr(9, 6))) {
    return false;
  }
  if (name.size() == 15)
    return true;
  const std::string run = name.substr(16);
  return name[15] == '-' && run.size() <= 3 && allDigits(run) && run[0] != '0' && run != "1";
}

bool FileBackup::newer(const std::string& a, const std::string& b) {
  const int order = a.compare(0, 15, b, 0, 15);
  return order != 0 ? order > 0 : runOf(a) > runOf(b);
}

std::string FileBackup::folderOf(const std::string& pathApp, const std::string& name) {
  return pathApp + kCarpeta + name + "\\";
}

std::string FileBackup::resolve(const std::string& path, const std::string& pathApp) {
  const std::string text = replaceAll(path, "/", "\\");
  std::string root;
  std::size_t rest = 0;
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (text.size() >= 3 && isLetter(text[0]) && text[1] == ':' && text[2] == '\\') {
    root = text.substr(0, 2);
    rest = 3;
  } else if (text.starts_with("\\\\")) {
    // \\server\share\...: both named, as Windows requires.
    const std::vector<std::string> parts = splitText(text.substr(2), '\\');
    if (parts.size() < 2 || !isWindowsFileName(parts[0]) || !isWindowsFileName(parts[1]))
      return "";
    root = "\\\\" + parts[0] + "\\" + parts[1];
    rest = std::min(text.size(), 2 + parts[0].size() + 1 + parts[1].size() + 1);
  } else if (text.starts_with("\\") && pathApp.size() >= 2 && pathApp[1] == ':') {
    root = pathApp.substr(0, 2);
    rest = 1;
  } else {
    return "";
  }
  std::vector<std::string> parts;
  for (const std::string& part : splitText(text.substr(rest), '\\')) {
    if (part.empty() || part == ".")
      continue;
    if (part == "..") {
      // Above the root stays at the root, as Windows has it.
      if (!parts.empty())
        parts.pop_back();
      continue;
    }
    // Windows drops a final dot or space that this host may keep: no one file to name.
    if (!isWindowsFileName(part) || part.back() == '.' || part.back() == ' ')
      return "";
    parts.push_back(part);
  }
  if (parts.empty())
    return "";
  for (const std::string& part : parts)
    root += "\\" + part;
  return root;
}

std::string FileBackup::keptPath(const std::string& folder, const std::string& original) {
  // The drive "C:" becomes the folder "C"; "\\server\share" the folders UNC\server\share.
  if (original.starts_with("\\\\"))
    return folder + "UNC\\" + original.substr(2);
  return folder + original.substr(0, 1) + (original.size() > 2 ? original.substr(2) : "");
}

std::vector<FileBackup::Entry> FileBackup::read(const FileSystem& fs, const std::string& folder) {
  const std::string bytes = fs.readBytes(folder + kIndice);
  // An index without its byte-order mark was written by an older updater, in ANSI.
  std::string text = bytes.starts_with(kBom) ? bytes.substr(3) : ansiToUtf8(bytes);
  text = replaceAll(replaceAll(text, "\r\n", "\n"), "\r", "\n");
  std::vector<Entry> entries;
  std::map<std::string, std::size_t> seen;
  for (const std::string& line : splitText(text, '\n')) {
    if (line.empty())
      continue;
    const std::vector<std::string> fields = splitText(line, '\t');
    Entry entry{fields[0]};
    const std::string second = fields.size() > 1 ? fields[1] : "";
    const std::string third = fields.size() > 2 ? fields[2] : "";
    if (second == kNuevo) {
      entry.kind = Entry::Kind::New;
      entry.sized = allDigits(third) && third.size() < 20;
    } else if (second == kCarpetaNueva && fields.size() == 2) {
      entry.kind = Entry::Kind::Folder;
    } else if (allDigits(second) && second.size() < 20) {
      entry.kind = Entry::Kind::Kept;
      entry.sized = true;
    }
    if (entry.sized)
      entry.size = std::stoull(entry.kind == Entry::Kind::New ? third : second);
    const auto [at, first] = seen.emplace(toUpper(entry.original), entries.size());
    if (first || entry.kind == Entry::Kind::Unknown) {
      entries.push_back(entry);
    } else if (entries[at->second].kind == Entry::Kind::New && entry.kind == Entry::Kind::New) {
      // A new file written again in the same run: the last size is the one it was left with.
      entries[at->second] = entry;
    }
  }
  return entries;
}

void FileBackup::keep(const std::string& target, const std::string& source) {
  const std::string original = resolve(target, pathApp_);
  if (original.empty() || fs_.folderExists(original))
    return;
  const std::string key = toUpper(original);
  const auto listed = listed_.find(key);
  // Kept once; a new file written again is noted with its last size.
  if (listed != listed_.end() && listed->second != Entry::Kind::New)
    return;
  try {
    if (listed != listed_.end() || !fs_.fileExists(original)) {
      std::uint64_t size = 0;
      try {
        size = fs_.fileSize(source);
      } catch (const AppError&) {
        // Without its source the step creates nothing.
        return;
      }
      open();
      add(original + "\t" + kNuevo + "\t" + std::to_string(size));
      listed_[key] = Entry::Kind::New;
      return;
    }
    open();
    const std::string kept = keptPath(folder_, original);
    makeFolders(kept.substr(0, kept.rfind('\\') + 1));
    fs_.copyFile(original, kept, false);
    add(original + "\t" + std::to_string(fs_.fileSize(original)) + "\t" +
        formatGeneralDate(fs_.lastModified(original)));
    note(" Respaldo " + original + " en " + kept);
    listed_[key] = Entry::Kind::Kept;
  } catch (const AppError& error) {
    throw failure("No se pudo respaldar el archivo " + target + " en ", error,
                  "el archivo no se reemplazó");
  }
}

void FileBackup::keepFolder(const std::string& folder) {
  const std::string original = resolve(folder, pathApp_);
  if (original.empty() || fs_.folderExists(original) || fs_.fileExists(original) ||
      listed_.contains(toUpper(original))) {
    return;
  }
  try {
    open();
    add(original + "\t" + kCarpetaNueva);
  } catch (const AppError& error) {
    throw failure("No se pudo anotar la carpeta " + folder + " en el respaldo ", error,
                  "la carpeta no se creó");
  }
  listed_[toUpper(original)] = Entry::Kind::Folder;
}

AppError FileBackup::failure(const std::string& attempt, const AppError& cause,
                             const std::string& outcome) const {
  return AppError(err::kPathFileAccess, kSource,
                  attempt + (folder_.empty() ? pathApp_ + kCarpeta : folder_) + " (" +
                      std::to_string(cause.number()) + " " + cause.description() + "); " + outcome);
}

void FileBackup::open() {
  if (!folder_.empty())
    return;
  makeFolders(pathApp_ + kCarpeta);
  // A folder of this run's own: one left by an earlier run, or anything planted under its name
  // (a link too), is never written into.
  for (int run = 1;; ++run) {
    const std::string candidate =
        folderOf(pathApp_, stamp_ + (run == 1 ? "" : "-" + std::to_string(run)));
    try {
      fs_.createFolder(candidate);
    } catch (const AppError& error) {
      if (error.number() == err::kFileExists && run < kMostRuns)
        continue;
      throw;
    }
    fs_.writeBytes(candidate + kIndice, kBom, true);
    folder_ = candidate;
    break;
  }
  note(" Carpeta de respaldo " + folder_);
}

void FileBackup::note(const std::string& text) {
  try {
    log_.EscribirLog(text);
  } catch (const AppError&) {
    // The index is what the restore reads; a log that cannot be written fails the step's own
    // next line, which reports it as the run without a backup would.
  }
}

void FileBackup::add(const std::string& line) {
  fs_.writeBytes(folder_ + kIndice, line + "\r\n", false);
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
