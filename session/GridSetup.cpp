#include "session/GridSetup.h"

#include <string>

#include "grid/Grid.h"

namespace fd {
namespace {

template <typename Column, std::size_t N>
void configure(Grid& grid, const ColumnTable<Column, N>& columns) {
  grid.setRows(1);
  grid.setCols(static_cast<int>(N));
  grid.setFixedRows(1);
  for (const ColumnSetup<Column>& setup : columns)
    grid.setTextMatrix(0, setup.column, std::string(setup.caption));
  for (const ColumnSetup<Column>& setup : columns) {
    grid.setColAlignment(setup.column, setup.alignment);
    if (setup.width)
      grid.setColWidth(setup.column, *setup.width);
    grid.setColDataType(setup.column, setup.type);
    grid.setColHidden(setup.column, setup.hidden);
  }
  grid.setCellBold(0, 0, 0, grid.Cols() - 1, true);
  grid.setCellAlignment(0, 0, 0, grid.Cols() - 1, Alignment::Center);
}

}  // namespace

void ConfigurarBases(Grid& flxBases) {
  configure(flxBases, kBasesColumns);
  flxBases.setEditable(true);
}

void ConfigurarArchivos(Grid& flxFile) {
  configure(flxFile, kFileColumns);
}

void ConfigurarScripts(Grid& flxScrp) {
  configure(flxScrp, kScriptColumns);
}

void ConfigurarPaquetes(Grid& flxRar) {
  configure(flxRar, kRarColumns);
}

void ConfigurarLog(Grid& flxLog) {
  configure(flxLog, kLogColumns);
}

}  // namespace fd
