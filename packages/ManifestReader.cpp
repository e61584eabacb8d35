#include "packages/ManifestReader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "grid/Grid.h"
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
constexpr const char* kCarpetaReportes = "\\Fendal\\RPT\\";

// A file whose date cannot be read is listed with an empty date.
std::string modifiedDate(const FileSystem& fs, const std::string& path) {
  try {
    return formatGeneralDate(fs.lastModified(path));
  } catch (const AppError&) {
    return "";
  }
}

bool isNewer(const std::string& nueva, const std::string& anterior) {
  std::optional<LocalDateTime> a = parseGeneralDate(nueva);
  std::optional<LocalDateTime> b = parseGeneralDate(anterior);
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
  int archivos = 0;
  int scripts = 0;
  DestinationIndex index;
  in.log.EscribirLog(" LeerFiles");

  for (int paquete = 1; paquete < in.flxRar.Rows(); ++paquete) {
    const std::string& archivo = in.flxRar.TextMatrix(paquete, kRarPackage);
    if (std::find(in.failedPackages.begin(), in.failedPackages.end(), archivo) !=
        in.failedPackages.end())
      continue;
    const std::string temporal = in.flxRar.TextMatrix(paquete, kRarTemporaryPath);
    in.log.EscribirLog(" " + temporal);
    KeyTable info;
    try {
      std::string shown;
      if (!Leer(temporal + "info.txt", info, in.fs, in.clock, in.desktop, &shown))
        unreadable.push_back(shown);
    } catch (const AppError&) {
      // A bad manifest line keeps the entries above it.
    }
    const std::string destinoPaquete = in.flxRar.TextMatrix(paquete, kRarApplicationPath);
    const std::string unidad = destinoPaquete.substr(0, 2);
    const EntryIndex claves(info);
    const int primerScript = scripts + 1;

    for (const std::string& nombre : in.fs.listFiles(temporal, "*.*", false)) {
      if (toLower(nombre) == "info.txt")
        continue;
      // Only a POSIX host lets such a name through; its tabs would shift the row's columns and
      // its quotes would reach the script's command line.
      if (!isWindowsFileName(nombre)) {
        in.log.EscribirLog(" Se omite el archivo " + temporal + printableName(nombre) +
                           ": su nombre tiene caracteres que Windows no admite");
        continue;
      }
      const std::string tipo = toLower(rightBytes(nombre, 4));
      const std::string origen = temporal + nombre;
      std::string destino = destinoPaquete;
      int desde = 0;
      while (true) {
        int entrada = claves.find("[Destino]." + nombre, desde);
        if (entrada > 0) {
          desde = entrada + 1;
          const std::string& valor = info.value(entrada);
          destino = valor == kDestino ? destinoPaquete : valor;
        } else if (desde > 0) {
          break;
        }
        if (!destino.empty()) {
          destino = replaceAll(destino, kDestino, destinoPaquete);
          destino = replaceAll(destino, kUnidad, unidad);
          destino = replaceAll(destino, "\\\\", "\\");
        }
        if (tipo == ".rpt" && in.fs.fileExists(unidad + kCarpetaReportes + nombre)) {
          destino = unidad + kCarpetaReportes;
        }
        in.log.EscribirLog(" " + destino + nombre);

        const std::string fecha = modifiedDate(in.fs, origen);
        if (tipo == ".sql" && destino.empty()) {
          ++scripts;
          flxScrp.AddItem("\t" + nombre + "\t" + fecha + "\t" + origen + "\t" + destino + "\t" +
                          tipo);
        } else {
          int fila = index.find(destino + nombre);
          if (fila < 0) {
            ++archivos;
            flxFile.AddItem("\t" + nombre + "\t" + fecha + "\t" + origen + "\t" + destino + "\t" +
                            tipo + "\t" + destino + nombre);
            index.add(destino + nombre, flxFile.Rows() - 1);
          } else if (isNewer(fecha, flxFile.TextMatrix(fila, kFileDate))) {
            flxFile.setTextMatrix(fila, kFileDate, fecha);
            flxFile.setTextMatrix(fila, kFileSource, origen);
          }
        }
        if (entrada <= 0)
          break;
      }
    }
    if (scripts - primerScript >= 1) {
      flxScrp.Select(primerScript, kScriptName, scripts, kScriptName);
      flxScrp.Sort(SortOrder::GenericAscending);
    }
  }

  flxFile.setRows(archivos + 1);
  flxScrp.setRows(scripts + 1);
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
