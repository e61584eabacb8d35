#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "fixtures/UpdaterFixture.h"
#include "grid/Grid.h"

namespace fd::test {

using Row = std::vector<std::string>;

// The rows below a grid's header, each with the cells of the given columns (every column when
// none is given).
inline std::vector<Row> gridRows(const Grid& grid, std::vector<int> columns = {}) {
  if (columns.empty()) {
    for (int col = 0; col < grid.Cols(); ++col)
      columns.push_back(col);
  }
  std::vector<Row> rows;
  for (int r = 1; r < grid.Rows(); ++r) {
    Row& row = rows.emplace_back();
    for (int col : columns)
      row.push_back(grid.TextMatrix(r, col));
  }
  return rows;
}

// One column of the rows below a grid's header.
inline Row gridColumn(const Grid& grid, int col) {
  Row cells;
  for (const Row& row : gridRows(grid, {col}))
    cells.push_back(row[0]);
  return cells;
}

// The log's texts from the first that equals `first` on; none when no text does.
inline std::vector<std::string> logTextsFrom(const UpdaterFixture& f, const std::string& first) {
  const std::vector<std::string> texts = f.logTexts();
  return {std::find(texts.begin(), texts.end(), first), texts.end()};
}

}  // namespace fd::test
