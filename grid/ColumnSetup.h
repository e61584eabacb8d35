#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "grid/Grid.h"

namespace fd {

// One column of a grid's set-up: the column it describes, its header caption, width, data type,
// whether it is hidden and how its cells are aligned. A grid's table lists its columns in order,
// one row each.
template <typename Column>
struct ColumnSetup {
  Column column;
  std::string_view caption = "";
  std::optional<int> width = std::nullopt;  // twips; none keeps the grid's default width
  ColumnType type = ColumnType::Text;
  bool hidden = false;
  Alignment alignment = Alignment::Left;
};

template <typename Column, std::size_t N>
using ColumnTable = std::array<ColumnSetup<Column>, N>;

// Whether a table names each of its columns once, in the column enum's order, so that a column
// added to the enum without its row (or the other way round) fails to compile.
template <typename Column, std::size_t N>
constexpr bool inColumnOrder(const ColumnTable<Column, N>& table) {
  for (std::size_t col = 0; col < N; ++col) {
    if (static_cast<std::size_t>(table[col].column) != col)
      return false;
  }
  return true;
}

}  // namespace fd
