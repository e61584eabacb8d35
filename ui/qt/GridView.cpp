#include "ui/qt/GridView.h"

#include <QHeaderView>
#include <algorithm>

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
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    unfittedFrom_ = 0;
    changedRows_.clear();
  });
  connect(model_, &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& first, const QModelIndex& last) {
            rowsChanged(first.row(), last.row());
          });
  grid.setCellMeasure([this](int row, int col) { return cellWidth(row, col); });
  applyColumns();
}

GridView::~GridView() {
  model_->grid().setCellMeasure(nullptr);
}

void GridView::applyColumns() {
  Grid& grid = model_->grid();
  for (int col = 0; col < grid.Cols(); ++col) {
    setColumnHidden(col, grid.ColHidden(col));
    setColumnWidth(col, twipsToPixels(grid.ColWidth(col)));
  }
}

int GridView::cellWidth(int row, int col) const {
  if (row == 0)
    return pixelsToTwips(horizontalHeader()->sectionSizeHint(col));
  ensurePolished();
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QModelIndex index = model_->index(GridModel::modelRow(row), col);
  const int width = itemDelegateForIndex(index)->sizeHint(option, index).width();
  // The grid line at the cell's right edge takes a pixel of its own.
  return pixelsToTwips(showGrid() ? width + 1 : width);
}

void GridView::rowsChanged(int first, int last) {
  for (int row = first; row <= last && row < unfittedFrom_; ++row)
    changedRows_.push_back(row);
  if (changedRows_.size() > static_cast<std::size_t>(model_->rowCount())) {
    unfittedFrom_ = 0;
    changedRows_.clear();
  }
}

// The grid has fitted the widths already; rows are fitted here, only those that changed.
void GridView::fit(int firstCol, int lastCol, AutoSizeMode mode) {
  Grid& grid = model_->grid();
  if (mode == AutoSizeMode::ColumnWidths) {
    for (int col = firstCol; col <= lastCol; ++col)
      setColumnWidth(col, twipsToPixels(grid.ColWidth(col)));
    return;
  }
  const auto fitRow = [this](int row) {
    const int height = std::max(sizeHintForRow(row), rowHeight_);
    if (rowHeight(row) != height)
      setRowHeight(row, height);
  };
  for (int row : changedRows_)
    fitRow(row);
  changedRows_.clear();
  for (int row = unfittedFrom_; row < model_->rowCount(); ++row)
    fitRow(row);
  unfittedFrom_ = model_->rowCount();
}

}  // namespace fd
