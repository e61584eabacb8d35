#include "packages/ManifestReader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "grid/Grid.h"
#include "grid/GridRow.h"
#include "packages/SectionedReader.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "session/UpdateLog.h"

namespace fd {

namespace {
constexpr const char* kDestino = "<Destino>";
constexpr const char* kUnidad = "<Unidad>";
constexpr const char* kReportFolder = "\\Fendal\\RPT\\";

// A file whose date cannot be read is listed with an empty date.
std::string modifiedDate(const FileSystem& fs, const std::string& path) {
  try {
    return formatGeneralDate(fs.lastModified(path));
  } catch (const AppError&) {
    return "";
  }
}

bool isNewer(const std::string& candidate, const std::string& current) {
  std::optional<LocalDateTime> a = parseGeneralDate(candidate);
  std::optional<LocalDateTime> b = parseGeneralDate(current);
  if (!a)
    return false;
  return !b || *a > *b;
}

void numberRows(Grid& grid) {
  for (int row = 1; row < grid.Rows(); ++row)
    grid.setTextMatrix(row, 0, std::to_string(row));
}

void fitToContents(Grid& grid) {
  grid.setAutoSizeMode(AutoSizeMode::RowHeights);
  grid.AutoSize(1, grid.Cols() - 1, 0);
  grid.setAutoSizeMode(AutoSizeMode::ColumnWidths);
  grid.AutoSize(1, grid.Cols() - 1, 0);
}

// Finds a flxFile row by its full destination without scanning the grid for every file.
// Windows paths name the same file whatever their letter case.
class DestinationIndex {
 public:
  int find(const std::string& fullDestination) const {
    auto found = rows_.find(toUpper(fullDestination));
    return found == rows_.end() ? -1 : found->second;
  }
  void add(const std::string& fullDestination, int row) { rows_[toUpper(fullDestination)] = row; }

 private:
  std::unordered_map<std::string, int> rows_;
};

// Answers BuscarClave over one manifest without scanning every entry for every file, which made
// the reading grow with the square of a package's files.
class EntryIndex {
 public:
  explicit EntryIndex(const KeyTable& table) {
    for (int entry = 1; entry <= table.count(); ++entry)
      entries_[toUpper(table.key(entry))].push_back(entry);
  }
  int find(const std::string& key, int start) const {
    auto found = entries_.find(toUpper(key));
    if (found == entries_.end())
      return -1;
    auto entry = std::lower_bound(found->second.begin(), found->second.end(), std::max(start, 1));
    return entry == found->second.end() ? -1 : *entry;
  }

 private:
  std::unordered_map<std::string, std::vector<int>> entries_;
};
}  // namespace

std::vector<std::string> LeerFiles(ManifestInputs in, Grid& flxFile, Grid& flxScrp,
                                   ActionButtons buttons) {
  std::vector<std::string> unreadable;
  if (!in.txtDirFD.Text().ends_with('\\'))
    in.txtDirFD.setText(in.txtDirFD.Text() + "\\");
  flxFile.setRows(1);
  flxScrp.setRows(1);
  int fileCount = 0;
  int scriptCount = 0;
  DestinationIndex index;
  in.log.EscribirLog(" LeerFiles");

  for (int package = 1; package < in.flxRar.Rows(); ++package) {
    const std::string& file = in.flxRar.TextMatrix(package, kRarPackage);
    if (std::find(in.failedPackages.begin(), in.failedPackages.end(), file) !=
        in.failedPackages.end())
      continue;
    const std::string tempFolder = in.flxRar.TextMatrix(package, kRarTemporaryPath);
    in.log.EscribirLog(" " + tempFolder);
    KeyTable info;
    try {
      std::string shown;
      if (!Leer(tempFolder + "info.txt", info, in.fs, in.clock, in.desktop, &shown))
        unreadable.push_back(shown);
    } catch (const AppError&) {
      // A bad manifest line keeps the entries above it.
    }
    const std::string applicationFolder = in.flxRar.TextMatrix(package, kRarApplicationPath);
    const std::string drive = applicationFolder.substr(0, 2);
    const EntryIndex entries(info);
    const int firstScript = scriptCount + 1;

    for (const std::string& name : in.fs.listFiles(tempFolder, "*.*", false)) {
      if (toLower(name) == "info.txt")
        continue;
      // Only a POSIX host lets such a name through; no Windows folder could hold it and its
      // quotes would reach the script's command line.
      if (!isWindowsFileName(name)) {
        in.log.EscribirLog(" Se omite el archivo " + tempFolder + printableName(name) +
                           ": su nombre tiene caracteres que Windows no admite");
        continue;
      }
      const std::string kind = toLower(rightBytes(name, 4));
      const std::string source = tempFolder + name;
      std::string destination = applicationFolder;
      int searchFrom = 0;
      while (true) {
        int entry = entries.find("[Destino]." + name, searchFrom);
        if (entry > 0) {
          searchFrom = entry + 1;
          const std::string& value = info.value(entry);
          destination = value == kDestino ? applicationFolder : value;
        } else if (searchFrom > 0) {
          break;
        }
        if (!destination.empty()) {
          destination = replaceAll(destination, kDestino, applicationFolder);
          destination = replaceAll(destination, kUnidad, drive);
          destination = replaceAll(destination, "\\\\", "\\");
        }
        if (kind == ".rpt" && in.fs.fileExists(drive + kReportFolder + name)) {
          destination = drive + kReportFolder;
        }
        in.log.EscribirLog(" " + destination + name);

        const std::string date = modifiedDate(in.fs, source);
        if (kind == ".sql" && destination.empty()) {
          ++scriptCount;
          appendRow(flxScrp, ScriptRow()
                                 .set(kScriptName, name)
                                 .set(kScriptDate, date)
                                 .set(kScriptSource, source)
                                 .set(kScriptDestination, destination)
                                 .set(kScriptKind, kind));
        } else {
          int row = index.find(destination + name);
          if (row < 0) {
            ++fileCount;
            appendRow(flxFile, FileRow()
                                   .set(kFileName, name)
                                   .set(kFileDate, date)
                                   .set(kFileSource, source)
                                   .set(kFileDestination, destination)
                                   .set(kFileKind, kind)
                                   .set(kFileFullDestination, destination + name));
            index.add(destination + name, flxFile.Rows() - 1);
          } else if (isNewer(date, flxFile.TextMatrix(row, kFileDate))) {
            flxFile.setTextMatrix(row, kFileDate, date);
            flxFile.setTextMatrix(row, kFileSource, source);
          }
        }
        if (entry <= 0)
          break;
      }
    }
    if (scriptCount - firstScript >= 1) {
      flxScrp.Select(firstScript, kScriptName, scriptCount, kScriptName);
      flxScrp.Sort(SortOrder::GenericAscending);
    }
  }

  flxFile.setRows(fileCount + 1);
  flxScrp.setRows(scriptCount + 1);
  if (flxFile.Rows() > 1) {
    flxFile.Select(1, kFileDestination, flxFile.Rows() - 1, kFileDestination);
    flxFile.Sort(SortOrder::GenericDescending);
  }
  numberRows(flxFile);
  if (flxFile.Rows() > 1)
    fitToContents(flxFile);
  numberRows(flxScrp);
  if (flxScrp.Rows() > 1)
    fitToContents(flxScrp);
  buttons.setEnabled(true);
  return unreadable;
}

}  // namespace fd
