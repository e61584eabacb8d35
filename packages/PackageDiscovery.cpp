#include "packages/PackageDiscovery.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "grid/Grid.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "session/UpdateLog.h"
#include "session/UpdaterState.h"

namespace fd {

std::string formatVersionPiece(const std::string& piece, int digits) {
  std::string text = trimSpaces(piece);
  if (text.empty())
    return piece;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  bool plainNumber = end == text.c_str() + text.size() &&
                     text.find_first_not_of("+-.0123456789") == std::string::npos;
  if (!plainNumber || !std::isfinite(value) || std::fabs(value) > 1e15)
    return piece;
  long long whole = std::llround(value);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%0*lld", whole < 0 ? digits + 1 : digits, whole);
  return buffer;
}

void CargarPaquetes(Grid& flxRar, UpdaterState& state, const FileSystem& fs, UpdateLog& log,
                    const PathSistemaFn& pathSistema, ActionButtons buttons) {
  log.EscribirLog(" Cargar Paquetes");
  flxRar.setRows(1);
  std::vector<std::string> names = fs.listFiles(state.mPathApp, "*.rar", false);
  if (names.empty())
    names = fs.listFiles(state.mPathApp, "*.rar", true);

  for (const std::string& name : names) {
    // A name that does not follow the scheme is listed with empty version pieces.
    std::vector<std::string> pieces = splitText(name, '_');
    pieces.resize(std::max<std::size_t>(pieces.size(), 4));
    std::string systemCode = toUpper(pieces[0]);
    std::string version = formatVersionPiece(pieces[1], 2) + "." +
                          formatVersionPiece(pieces[2], 2) + "." + formatVersionPiece(pieces[3], 3);
    std::string extractionFolder = state.mPathApp + dropRightBytes(name, 4) + "\\";
    std::string applicationFolder = pathSistema(systemCode);
    appendRow(flxRar, RarRow()
                          .set(kRarNumber, std::to_string(flxRar.Rows()))
                          .set(kRarPackage, name)
                          .set(kRarSystem, systemCode)
                          .set(kRarVersion, version)
                          .set(kRarApplicationPath, applicationFolder)
                          .set(kRarTemporaryPath, extractionFolder));
    log.EscribirLog(" " + printableName(name));
  }

  if (flxRar.Rows() < 2) {
    buttons.setEnabled(false);
    return;
  }
  flxRar.Select(1, kRarSystem, flxRar.Rows() - 1, kRarVersion);
  flxRar.Sort(SortOrder::GenericAscending);
  for (int row = 1; row < flxRar.Rows(); ++row)
    flxRar.setTextMatrix(row, kRarNumber, std::to_string(row));
  flxRar.setAutoSizeMode(AutoSizeMode::RowHeights);
  flxRar.AutoSize(1, flxRar.Cols() - 1, 90);
  flxRar.setAutoSizeMode(AutoSizeMode::ColumnWidths);
  flxRar.AutoSize(1, flxRar.Cols() - 1, 90);
  flxRar.Refresh();
  buttons.setEnabled(true);
}

void RefrescarPathAplicacion(Grid& flxRar, const PathSistemaFn& pathSistema) {
  for (int row = 1; row < flxRar.Rows(); ++row) {
    flxRar.setTextMatrix(row, kRarApplicationPath,
                         pathSistema(toUpper(flxRar.TextMatrix(row, kRarSystem))));
  }
}

}  // namespace fd
