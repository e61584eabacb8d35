#include "ui/GridView.h"

#include <QHeaderView>

namespace fd {

GridView::GridView(Grid& grid, int rowHeightTwips, QWidget* parent)
    : QTableView(parent),
      model_(new GridModel(grid, this)),
      rowHeight_(twipsToPixels(rowHeightTwips)) {
  setModel(model_);
  verticalHeader()->hide();
  setCornerButtonEnabled(false);
  verticalHeader()->setDefaultSectionSize(rowHeight_);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setMinimumSectionSize(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  setWordWrap(false);
  // The grid's colour pair: light blue under selected cells, black text.
  setStyleSheet(
      "QTableView { gridline-color: #c0c0c0; selection-background-color: rgb(185, 211, 255);"
      " selection-color: black; }"
      " QHeaderView::section { background-color: rgb(185, 211, 255); color: black;"
      " border: 1px solid #a0a0a0; padding: 2px; }");
  connect(model_, &GridModel::columnsReset, this, &GridView::applyColumns);
  connect(model_, &GridModel::showCellRequested, this,
          [this](const QModelIndex& index) { scrollTo(index); });
  connect(model_, &GridModel::autoSizeRequested, this, &GridView::fit);
  applyColumns();
}

void GridView::applyColumns() {
  Grid& grid = model_->grid();
  for (int col = 0; col < grid.Cols(); ++col) {
    setColumnHidden(col, grid.ColHidden(col));
    setColumnWidth(col, twipsToPixels(grid.ColWidth(col)));
  }
}

// The view measures its own text, margins included, so the grid's width estimate is replaced.
void GridView::fit(int firstCol, int lastCol, AutoSizeMode mode) {
  Grid& grid = model_->grid();
  if (mode == AutoSizeMode::ColumnWidths) {
    for (int col = firstCol; col <= lastCol; ++col) {
      if (!grid.ColHidden(col))
        resizeColumnToContents(col);
    }
  } else {
    for (int row = 0; row < model_->rowCount(); ++row) {
      resizeRowToContents(row);
      if (rowHeight(row) < rowHeight_)
        setRowHeight(row, rowHeight_);
    }
  }
}

}  // namespace fd
