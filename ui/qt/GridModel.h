#pragma once

#include <QAbstractTableModel>

#include "grid/Grid.h"

namespace fd {

// A Grid seen as a Qt table: grid row 0 is the horizontal header and grid rows 1.. are the model's
// rows 0..; columns are the grid's columns. Check-box columns show check boxes, and every user
// edit goes through Grid::userEdit so the grid's edit events decide. Rows appended to the grid
// are inserted, so that a view adds them without laying out the others again.
class GridModel : public QAbstractTableModel, private GridObserver {
  Q_OBJECT

 public:
  explicit GridModel(Grid& grid, QObject* parent = nullptr);
  ~GridModel() override;

  Grid& grid() { return grid_; }
  // The grid row shown in a model row, and back.
  static int gridRow(int modelRow) { return modelRow + 1; }
  static int modelRow(int gridRow) { return gridRow - 1; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  // The columns' widths or hidden flags may have changed.
  void columnsReset();
  void showCellRequested(const QModelIndex& index);
  void autoSizeRequested(int firstCol, int lastCol, fd::AutoSizeMode mode);

 private:
  void gridReset() override;
  void rowsAppended(int first, int last) override;
  void cellChanged(int row, int col) override;
  void showCell(int row, int col) override;
  void autoSized(int firstCol, int lastCol, AutoSizeMode mode) override;

  Grid& grid_;
  // The rows the views were told of; the grid has them already when it tells of new ones.
  int rows_ = 0;
};

// 0x00BBGGRR as a colour.
QColor colorOf(std::uint32_t bgr);
// Twips to pixels at 96 dots per inch, and back.
constexpr int twipsToPixels(int twips) {
  return twips / 15;
}
constexpr int pixelsToTwips(int pixels) {
  return pixels * 15;
}

}  // namespace fd
