#include "session/GridSetup.h"

#include <optional>
#include <string>
#include <vector>

#include "grid/Grid.h"

namespace fd {
namespace {

struct ColumnSpec {
  std::string caption;
  std::optional<int> width;  // twips; none keeps the grid's default width
  ColumnType type = ColumnType::Text;
  bool hidden = false;
};

void configure(Grid& grid, const std::vector<ColumnSpec>& columns, bool centreFirstColumn) {
  grid.setRows(1);
  grid.setCols(static_cast<int>(columns.size()));
  grid.setFixedRows(1);
  for (int col = 0; col < grid.Cols(); ++col)
    grid.setTextMatrix(0, col, columns[col].caption);
  grid.setColAlignment(-1, Alignment::Left);
  if (centreFirstColumn)
    grid.setColAlignment(0, Alignment::Center);
  for (int col = 0; col < grid.Cols(); ++col) {
    const ColumnSpec& spec = columns[col];
    if (spec.width)
      grid.setColWidth(col, *spec.width);
    grid.setColDataType(col, spec.type);
    grid.setColHidden(col, spec.hidden);
  }
  grid.setCellBold(0, 0, 0, grid.Cols() - 1, true);
  grid.setCellAlignment(0, 0, 0, grid.Cols() - 1, Alignment::Center);
}

// flxFile and flxScrp list a package's files alike; flxFile adds the full destination.
std::vector<ColumnSpec> packageFileColumns() {
  return {
      {"", 420},        {"Archivo", 3000}, {"Fecha", 1000, ColumnType::Date},
      {"Orígen", 4500}, {"Destino", 4500}, {"", std::nullopt, ColumnType::Text, true},
  };
}

}  // namespace

void ConfigurarBases(Grid& flxBases) {
  configure(flxBases, {{"", 420}, {"Base", 4500}, {"Actualiza", 1500, ColumnType::Boolean}}, false);
  flxBases.setEditable(true);
}

void ConfigurarArchivos(Grid& flxFile) {
  std::vector<ColumnSpec> columns = packageFileColumns();
  columns.push_back({"", std::nullopt, ColumnType::Text, true});
  configure(flxFile, columns, false);
}

void ConfigurarScripts(Grid& flxScrp) {
  configure(flxScrp, packageFileColumns(), false);
}

void ConfigurarPaquetes(Grid& flxRar) {
  configure(flxRar,
            {{"", 420},
             {"Actualización", 4500},
             {"Sistema", std::nullopt},
             {"Versión", 1500},
             {"Path Aplicación", 2400},
             {"Path Temporal", 2400}},
            true);
}

void ConfigurarLog(Grid& flxLog) {
  configure(flxLog, {{"", 420}, {"Archivo", 3600}, {"Mensaje", 9000}}, false);
}

}  // namespace fd
