#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "grid/Grid.h"
#include "grid/GridRow.h"
#include "platform/AppError.h"

namespace fd {
namespace {

Grid& threeColumns(Grid& grid) {
  grid.setCols(3);
  grid.setRows(1);
  return grid;
}

TEST(Grid, WritingOneRowLeavesOnlyTheHeader) {
  Grid grid;
  threeColumns(grid);
  grid.setTextMatrix(0, 1, "Base");
  grid.AddItem("1\tventas");
  grid.AddItem("2\tcompras");
  grid.setRows(1);
  EXPECT_EQ(grid.Rows(), 1);
  EXPECT_EQ(grid.TextMatrix(0, 1), "Base");
  grid.setRows(2);
  EXPECT_EQ(grid.TextMatrix(1, 1), "");
}

// A tab-separated line added to a three-column grid, and the row's cells it gives.
struct AddItemCase {
  const char* name;
  const char* line;
  std::vector<std::string> cells;
};

class GridAddItem : public testing::TestWithParam<AddItemCase> {};

TEST_P(GridAddItem, FillsTheRowsCells) {
  Grid grid;
  threeColumns(grid).AddItem(GetParam().line);
  EXPECT_EQ(grid.Cols(), 3);
  EXPECT_EQ((std::vector<std::string>{grid.TextMatrix(1, 0), grid.TextMatrix(1, 1),
                                      grid.TextMatrix(1, 2)}),
            GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GridAddItem,
    testing::Values(AddItemCase{"MissingCellsAreEmpty", "1\tonly", {"1", "only", ""}},
                    AddItemCase{
                        "CellsBeyondTheLastColumnAreDropped", "1\ta\tb\tc\td", {"1", "a", "b"}},
                    AddItemCase{"EmptyCellsBetweenTabsStay", "\t\tlast", {"", "", "last"}}),
    [](const auto& info) { return std::string(info.param.name); });

enum ThreeColumns : int { kNumber, kName, kTick, kBeyondTheGrid };

TEST(Grid, ARowFillsTheCellsItNamesAndNeverAColumnTheGridLacks) {
  Grid grid;
  appendRow(threeColumns(grid), GridRow<ThreeColumns>().set(kTick, "1").set(kNumber, "7"));
  EXPECT_EQ((std::vector<std::string>{grid.TextMatrix(1, kNumber), grid.TextMatrix(1, kName),
                                      grid.TextMatrix(1, kTick)}),
            (std::vector<std::string>{"7", "", "1"}));
  try {
    appendRow(grid, GridRow<ThreeColumns>().set(kBeyondTheGrid, "x"));
    ADD_FAILURE() << "a fourth cell was taken";
  } catch (const AppError& e) {
    EXPECT_EQ(e.number(), 381);
  }
  EXPECT_EQ(grid.Rows(), 2);
}

TEST(Grid, ColumnsAddedLaterAreEmptyInEveryRow) {
  Grid grid;
  threeColumns(grid).AddItem("1\ta\tb");
  grid.setCols(5);
  EXPECT_EQ(grid.TextMatrix(1, 4), "");
  EXPECT_EQ(grid.TextMatrix(1, 2), "b");
}

class GridOutOfRange : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(GridOutOfRange, CellAccessRaisesError381) {
  Grid grid;
  threeColumns(grid).AddItem("1");
  auto [row, col] = GetParam();
  for (auto access : {+[](Grid&g, int r, int c) { (void)g.TextMatrix(r, c); },
                      +[](Grid&g, int r, int c) { g.setTextMatrix(r, c, "x"); },
                      +[](Grid&g, int r, int c) { g.setCellBold(r, c, r, c, true); },
                      +[](Grid&g, int r, int c) { (void)g.CellBackColor(r, c); }}) {
    try {
      access(grid, row, col);
      ADD_FAILURE() << "no error for " << row << "," << col;
    } catch (const AppError& e) {
      EXPECT_EQ(e.number(), 381);
      EXPECT_EQ(e.description(), "Subíndice fuera del intervalo");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cells, GridOutOfRange,
                         testing::Values(std::make_tuple(2, 0), std::make_tuple(-1, 0),
                                         std::make_tuple(0, 3), std::make_tuple(1, -1)));

TEST(Grid, FindRowReturnsFirstMatchAtOrAfterStart) {
  Grid grid;
  threeColumns(grid);
  grid.AddItem("1\ta.sql");
  grid.AddItem("2\tb.cfd");
  grid.AddItem("3\ta.sql");
  EXPECT_EQ(grid.FindRow("a.sql", 1, 1), 1);
  EXPECT_EQ(grid.FindRow("a.sql", 2, 1), 3);
  EXPECT_EQ(grid.FindRow("A.SQL", 1, 1), -1);
  EXPECT_EQ(grid.FindRow("zzz", 1, 1), -1);
  EXPECT_EQ(grid.FindRow("a.sql", 9, 1), -1);
}

TEST(Grid, CheckedCellsReadTheirText) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"1", kChecked},   {"-1", kChecked},      {"True", kChecked}, {"TRUE", kChecked},
      {"", kUnchecked},  {"0", kUnchecked},     {"2", kUnchecked},  {"False", kUnchecked},
      {"x", kUnchecked}, {"true ", kUnchecked},
  };
  Grid grid;
  threeColumns(grid).setColDataType(2, ColumnType::Boolean);
  grid.AddItem("");
  for (const auto& [text, state] : cases) {
    grid.setTextMatrix(1, 2, text);
    EXPECT_EQ(grid.CellChecked(1, 2), state) << '"' << text << '"';
  }
}

TEST(Grid, SetCellCheckedWritesOneOrEmptyOverTheBlock) {
  Grid grid;
  threeColumns(grid).setColDataType(2, ColumnType::Boolean);
  grid.AddItem("1\ta\t");
  grid.AddItem("2\tb\t");
  grid.setCellChecked(1, 2, 2, 2, kChecked);
  EXPECT_EQ(grid.TextMatrix(1, 2), "1");
  EXPECT_EQ(grid.TextMatrix(2, 2), "1");
  grid.setCellChecked(2, 2, 2, 2, kUnchecked);
  EXPECT_EQ(grid.TextMatrix(2, 2), "");
  EXPECT_EQ(grid.CellChecked(1, 2), kChecked);
}

TEST(Grid, CellSettingsCoverTheWholeBlockOnly) {
  Grid grid;
  threeColumns(grid);
  for (int i = 0; i < 3; ++i)
    grid.AddItem("");
  grid.setCellBackColor(3, 2, 1, 1, colors::kLightGreen);  // corners in any order
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 3; ++col) {
      bool inside = row >= 1 && col >= 1;
      EXPECT_EQ(grid.CellBackColor(row, col), inside ? colors::kLightGreen : colors::kWhite)
          << row << "," << col;
    }
  }
}

TEST(Grid, CellAlignmentFollowsTheColumnUntilSet) {
  Grid grid;
  threeColumns(grid).setColAlignment(-1, Alignment::Left);
  grid.setColAlignment(0, Alignment::Center);
  EXPECT_EQ(grid.CellAlignment(0, 0), Alignment::Center);
  EXPECT_EQ(grid.CellAlignment(0, 1), Alignment::Left);
  grid.setCellAlignment(0, 0, 0, 2, Alignment::Center);
  grid.setColAlignment(-1, Alignment::Left);
  EXPECT_EQ(grid.CellAlignment(0, 1), Alignment::Center);
  EXPECT_EQ(grid.ColAlignment(2), Alignment::Left);
}

TEST(Grid, AutoSizeWidensColumnsToTheLongestText) {
  Grid grid;
  threeColumns(grid).setColWidth(0, 420);
  grid.AddItem("\tcorto\tun texto bastante más largo");
  grid.setAutoSizeMode(AutoSizeMode::ColumnWidths);
  grid.AutoSize(1, 2, 90);
  EXPECT_GT(grid.ColWidth(2), grid.ColWidth(1));
  EXPECT_EQ(grid.ColWidth(1), 5 * 105 + 90);
  EXPECT_EQ(grid.ColWidth(2), 27 * 105 + 90);  // accented letters count once
  EXPECT_EQ(grid.ColWidth(0), 420);
}

// Fitting again after a change gives the widths that fitting the same contents afresh gives,
// and after the changes a growing log makes it measures only the cells they touched.
struct RefitCase {
  std::string name;
  std::function<void(Grid&)> change;
  int measured;  // cells the second fitting measures; -1 when it may measure every row
};

class Refitting : public ::testing::TestWithParam<RefitCase> {};

TEST_P(Refitting, MatchesAFreshFit) {
  const auto fill = [](Grid& grid) {
    threeColumns(grid).setTextMatrix(0, 1, "Archivo");
    for (int row = 1; row <= 40; ++row)
      grid.AddItem("\tfila " + std::to_string(row) + "\t" + std::string(row % 7, 'm'));
    grid.AddItem("\tla fila más larga de todas\tm");
  };
  int measured = 0;
  const auto measureIn = [&measured](Grid& grid) {
    grid.setCellMeasure([&grid, &measured](int row, int col) {
      ++measured;
      return static_cast<int>(grid.TextMatrix(row, col).size()) * 100;
    });
  };
  Grid grid;
  fill(grid);
  measureIn(grid);
  grid.AutoSize(1, 2, 90);
  measured = 0;
  GetParam().change(grid);
  grid.AutoSize(1, 2, 90);
  if (GetParam().measured >= 0) {
    EXPECT_EQ(measured, GetParam().measured);
  }

  Grid fresh;
  fill(fresh);
  GetParam().change(fresh);
  measureIn(fresh);
  fresh.AutoSize(1, 2, 90);
  EXPECT_EQ(grid.ColWidth(1), fresh.ColWidth(1));
  EXPECT_EQ(grid.ColWidth(2), fresh.ColWidth(2));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, Refitting,
    ::testing::Values(
        RefitCase{"StatusRow",
                  [](Grid& g) {
                    g.setRows(g.Rows() + 1);
                    g.setTextMatrix(g.Rows() - 1, 1, "un estado más largo que la fila más larga");
                  },
                  2},
        RefitCase{"MessageOnAnEarlierRow",
                  [](Grid& g) { g.setTextMatrix(3, 2, "Hubo un Error en esta fila"); }, 1},
        RefitCase{"WidestCellNarrowed", [](Grid& g) { g.setTextMatrix(41, 1, "x"); }, -1},
        RefitCase{"RowsCut", [](Grid& g) { g.setRows(12); }, -1},
        RefitCase{"Sorted",
                  [](Grid& g) {
                    g.Select(1, 2, g.Rows() - 1, 2);
                    g.Sort(SortOrder::GenericDescending);
                    g.setTextMatrix(1, 2, "");
                  },
                  -1}),
    [](const auto& info) { return info.param.name; });

TEST(Grid, UserEditNeedsAnEditableGrid) {
  Grid grid;
  threeColumns(grid).AddItem("1\tventas\t");
  EXPECT_FALSE(grid.userEdit(1, 2, "1"));
  EXPECT_EQ(grid.TextMatrix(1, 2), "");
}

TEST(Grid, UserEditAsksBeforeEditAndRunsAfterEdit) {
  Grid grid;
  threeColumns(grid).AddItem("1\tventas\t");
  grid.setEditable(true);
  std::vector<std::string> events;
  grid.beforeEdit = [&](int row, int col) {
    events.push_back("before " + std::to_string(row) + "," + std::to_string(col));
    return col == 2;
  };
  grid.afterEdit = [&](int row, int col) {
    events.push_back("after " + std::to_string(row) + "," + std::to_string(col) + " " +
                     grid.TextMatrix(row, col));
  };
  EXPECT_FALSE(grid.userEdit(1, 1, "otra"));
  EXPECT_TRUE(grid.userEdit(1, 2, "1"));
  EXPECT_EQ(grid.TextMatrix(1, 1), "ventas");
  EXPECT_EQ(events, (std::vector<std::string>{"before 1,1", "before 1,2", "after 1,2 1"}));
}

struct Recorder : GridObserver {
  std::vector<std::string> events;
  void gridReset() override { events.push_back("reset"); }
  void rowsAppended(int first, int last) override {
    events.push_back("rows " + std::to_string(first) + "-" + std::to_string(last));
  }
  void cellChanged(int row, int col) override {
    events.push_back("cell " + std::to_string(row) + "," + std::to_string(col));
  }
  void showCell(int row, int col) override {
    events.push_back("show " + std::to_string(row) + "," + std::to_string(col));
  }
  void autoSized(int firstCol, int lastCol, AutoSizeMode mode) override {
    events.push_back("auto " + std::to_string(firstCol) + "-" + std::to_string(lastCol) +
                     (mode == AutoSizeMode::RowHeights ? " rows" : " cols"));
  }
};

TEST(Grid, ObserversHearEveryKindOfChange) {
  Grid grid;
  threeColumns(grid);
  Recorder recorder;
  grid.addObserver(&recorder);
  grid.AddItem("1\tb");
  grid.setRows(4);
  grid.setTextMatrix(1, 1, "a");
  grid.setCellBackColor(1, 1, 1, 2, colors::kLightRed);
  grid.Select(1, 1, 1, 1);
  grid.Sort(SortOrder::GenericAscending);
  grid.ShowCell(1, 2);
  grid.setAutoSizeMode(AutoSizeMode::RowHeights);
  grid.AutoSize(1, 2, 90);
  grid.setRows(1);
  grid.removeObserver(&recorder);
  grid.AddItem("");
  EXPECT_EQ(recorder.events,
            (std::vector<std::string>{"rows 1-1", "rows 2-3", "cell 1,1", "cell 1,1", "cell 1,2",
                                      "show 1,2", "auto 1-2 rows", "reset"}));
}

TEST(Grid, SortOfManyRowsIsOneReset) {
  Grid grid;
  threeColumns(grid);
  grid.AddItem("\t2");
  grid.AddItem("\t1");
  Recorder recorder;
  grid.addObserver(&recorder);
  grid.Select(1, 1, 2, 1);
  grid.Sort(SortOrder::GenericAscending);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"reset"}));
}

}  // namespace
}  // namespace fd
