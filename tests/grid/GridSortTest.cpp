#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/Grid.h"

namespace fd {
namespace {

// A grid with a header row and one data row per entry; each entry is the row's cells from
// column 0 on, tab-separated.
void fill(Grid& grid, int cols, const std::vector<std::string>& rows) {
  grid.setCols(cols);
  grid.setRows(1);
  for (const auto& row : rows)
    grid.AddItem(row);
}

std::vector<std::string> column(const Grid& grid, int col) {
  std::vector<std::string> out;
  for (int row = 1; row < grid.Rows(); ++row)
    out.push_back(grid.TextMatrix(row, col));
  return out;
}

struct SortCase {
  const char* name;
  std::vector<std::string> rows;  // column 0 a tag, columns 1.. the keys
  std::vector<std::string> tags;  // column 0 after the sort
  SortOrder order = SortOrder::GenericAscending;
  int col1 = 1, col2 = 1;  // the block's key columns
};

class GridSort : public testing::TestWithParam<SortCase> {};

TEST_P(GridSort, OrdersTheSelectedRows) {
  const SortCase& c = GetParam();
  Grid grid;
  fill(grid, 3, c.rows);
  grid.Select(1, c.col1, grid.Rows() - 1, c.col2);
  grid.Sort(c.order);
  EXPECT_EQ(column(grid, 0), c.tags);
}

// More equal rows than a sort handles by insertion, so that only a stable sort keeps their order.
SortCase manyEqualRows() {
  SortCase c{"ManyEqualRowsKeepTheirOrder", {}, {}};
  for (int i = 0; i < 40; ++i) {
    c.rows.push_back("r" + std::to_string(i) + (i % 2 == 0 ? "\tB" : "\ta"));
  }
  for (int first : {1, 0}) {
    for (int i = first; i < 40; i += 2) {
      c.tags.push_back("r" + std::to_string(i));
    }
  }
  return c;
}

const SortCase kSortCases[] = {
    manyEqualRows(),
    {"NumbersCompareByValue", {"a\t100", "b\t99", "c\t5"}, {"c", "b", "a"}},
    {"SignedAndDecimalNumbers", {"a\t2.5", "b\t-3", "c\t10"}, {"b", "a", "c"}},
    {"VersionsWithTwoDotsCompareAsText",
     {"a\t05.10.001", "b\t05.02.007", "c\t5.9"},
     {"b", "a", "c"}},
    {"TextIgnoresLetterCase", {"a\tcrm", "b\tCOMERCIAL", "c\tBeta"}, {"c", "b", "a"}},
    {"NumberAgainstTextComparesAsText", {"a\tx", "b\t10", "c\t9", "d\t0x"}, {"d", "c", "b", "a"}},
    {"EmptyCellsComeFirst", {"a\t3", "b\t", "c\t1"}, {"b", "c", "a"}},
    {"Descending", {"a\t1", "b\t30", "c\t4"}, {"b", "c", "a"}, SortOrder::GenericDescending},
    {"EqualRowsKeepTheirOrder", {"a\tX", "b\tx", "c\tA", "d\tX"}, {"c", "a", "b", "d"}},
    {"EqualRowsKeepTheirOrderDescending",
     {"a\tX", "b\tx", "c\tA", "d\tX"},
     {"a", "b", "d", "c"},
     SortOrder::GenericDescending},
    {"LaterColumnsBreakTies",
     {"a\tCOM\t05.02.010", "b\tCOM\t05.02.007", "c\tCRM\t01.00.000"},
     {"b", "a", "c"},
     SortOrder::GenericAscending,
     1,
     2},
    {"ColumnsOutsideTheBlockAreNoKeys", {"a\tx\t2", "b\tx\t1"}, {"a", "b"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, GridSort, testing::ValuesIn(kSortCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GridSortBlock, OnlyTheSelectedRowsMove) {
  Grid grid;
  fill(grid, 2, {"a\t3", "b\t2", "c\t1", "d\t0"});
  grid.Select(2, 1, 3, 1);
  grid.Sort(SortOrder::GenericAscending);
  EXPECT_EQ(column(grid, 0), (std::vector<std::string>{"a", "c", "b", "d"}));
  EXPECT_EQ(grid.TextMatrix(0, 0), "");
}

TEST(GridSortBlock, WholeRowsMoveWithTheirLooks) {
  Grid grid;
  fill(grid, 3, {"a\t2\tx", "b\t1\ty"});
  grid.setCellBackColor(1, 2, 1, 2, colors::kLightRed);
  grid.setCellBold(2, 0, 2, 0, true);
  grid.Select(1, 1, 2, 1);
  grid.Sort(SortOrder::GenericAscending);
  EXPECT_EQ(grid.TextMatrix(1, 2), "y");
  EXPECT_TRUE(grid.CellBold(1, 0));
  EXPECT_EQ(grid.CellBackColor(2, 2), colors::kLightRed);
  EXPECT_EQ(grid.CellBackColor(1, 2), colors::kWhite);
}

TEST(GridSortBlock, ManyRowsSortWithoutLimit) {
  Grid grid;
  grid.setCols(2);
  grid.setRows(1);
  for (int i = 40000; i > 0; --i)
    grid.AddItem("\t" + std::to_string(i));
  grid.Select(1, 1, grid.Rows() - 1, 1);
  grid.Sort(SortOrder::GenericAscending);
  EXPECT_EQ(grid.Rows(), 40001);
  EXPECT_EQ(grid.TextMatrix(1, 1), "1");
  EXPECT_EQ(grid.TextMatrix(40000, 1), "40000");
}

}  // namespace
}  // namespace fd
