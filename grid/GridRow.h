#pragma once

#include <string>
#include <utility>
#include <vector>

#include "grid/Grid.h"

namespace fd {

// A row to append to a grid, its cells named by the grid's column enum; the cells not set stay
// empty.
template <typename Column>
class GridRow {
 public:
  GridRow& set(Column column, std::string text) {
    const auto col = static_cast<std::size_t>(column);
    if (cells_.size() <= col)
      cells_.resize(col + 1);
    cells_[col] = std::move(text);
    return *this;
  }
  const std::vector<std::string>& cells() const { return cells_; }

 private:
  std::vector<std::string> cells_;
};

// Appends the row after the grid's last row.
template <typename Column>
void appendRow(Grid& grid, const GridRow<Column>& row) {
  grid.appendRow(row.cells());
}

}  // namespace fd
