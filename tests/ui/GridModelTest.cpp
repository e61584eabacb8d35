#include <gtest/gtest.h>

#include <QColor>
#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "grid/Grid.h"
#include "ui/qt/GridModel.h"
#include "ui/qt/GridView.h"

namespace fd {
namespace {

class GridModelTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { test::ensureApplication(); }

  GridModelTest() {
    grid.setCols(3);
    grid.setRows(1);
    grid.setTextMatrix(0, 1, "Archivo");
    grid.setColWidth(1, 3000);
  }

  Grid grid;
};

TEST_F(GridModelTest, RowZeroIsTheHeader) {
  GridModel model(grid);
  grid.AddItem("1\tComercial.exe");
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Archivo");
  EXPECT_EQ(model.index(0, 1).data().toString(), "Comercial.exe");
  EXPECT_EQ(model.index(0, 0).data().toString(), "1");
}

TEST_F(GridModelTest, BackColoursAreReadAsBlueGreenRed) {
  GridModel model(grid);
  grid.AddItem("1\tscript.sql");
  grid.setCellBackColor(1, 0, 1, 2, colors::kLightRed);
  EXPECT_EQ(model.index(0, 1).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 192, 192));
  grid.setCellBackColor(1, 0, 1, 2, 0x112233);
  EXPECT_EQ(model.index(0, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(0x33, 0x22, 0x11));
}

TEST_F(GridModelTest, CellEditsReachTheViewAsDataChanges) {
  GridModel model(grid);
  grid.AddItem("1\ta");
  std::vector<QModelIndex> changed;
  int headers = 0;
  QObject::connect(&model, &QAbstractItemModel::dataChanged,
                   [&](const QModelIndex& first, const QModelIndex&) { changed.push_back(first); });
  QObject::connect(&model, &QAbstractItemModel::headerDataChanged, [&] { ++headers; });
  grid.setTextMatrix(1, 2, "Hubo un Error");
  grid.setTextMatrix(0, 2, "Mensaje");
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0], model.index(0, 2));
  EXPECT_EQ(headers, 1);
}

TEST_F(GridModelTest, DateColumnsShowTheirText) {
  grid.setColDataType(2, ColumnType::Date);
  GridModel model(grid);
  grid.AddItem("1\ta\t08/12/2026 6:10:57");
  EXPECT_EQ(model.index(0, 2).data().toString(), "08/12/2026 6:10:57");
  EXPECT_FALSE(model.index(0, 2).data(Qt::CheckStateRole).isValid());
}

TEST_F(GridModelTest, ViewHidesHiddenColumnsAndFollowsWidths) {
  GridView view(grid, 390);
  grid.setColHidden(2, true);
  EXPECT_TRUE(view.isColumnHidden(2));
  EXPECT_EQ(view.columnWidth(1), 200);
  grid.setColHidden(2, false);
  EXPECT_FALSE(view.isColumnHidden(2));
}

TEST_F(GridModelTest, ViewFitsColumnsWhenTheGridAutoSizes) {
  GridView view(grid, 390);
  view.resize(600, 300);
  grid.setColWidth(2, 150);
  grid.AddItem("\tx\tun mensaje muy largo que no cabe en la columna tal como estaba");
  const int before = view.columnWidth(2);
  grid.AutoSize(2, 2, 90);
  EXPECT_GT(view.columnWidth(2), before);
}

TEST_F(GridModelTest, AppendedRowsAreInsertedWithoutAReset) {
  GridModel model(grid);
  int resets = 0;
  std::vector<std::pair<int, int>> inserted;
  QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
  QObject::connect(
      &model, &QAbstractItemModel::rowsInserted,
      [&](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
  grid.AddItem("1\ta");
  grid.setRows(grid.Rows() + 2);
  EXPECT_EQ(resets, 0);
  EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 0}, {1, 2}}));
  EXPECT_EQ(model.rowCount(), 3);
}

TEST_F(GridModelTest, ModelLeavesTheGridWhenDestroyed) {
  { GridModel model(grid); }
  grid.AddItem("1");  // would reach a destroyed observer otherwise
  EXPECT_EQ(grid.Rows(), 2);
}

}  // namespace
}  // namespace fd
