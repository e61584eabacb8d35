#pragma once

#include <QTableView>

#include "ui/GridModel.h"

namespace fd {

// A table view over one Grid: column widths and hidden columns follow the grid, the grid's
// requests to show a cell or fit its contents reach the view.
class GridView : public QTableView {
  Q_OBJECT

 public:
  // rowHeightTwips is the height of a row before any fitting.
  GridView(Grid& grid, int rowHeightTwips, QWidget* parent = nullptr);

  GridModel* gridModel() const { return model_; }

 private:
  void applyColumns();
  void fit(int firstCol, int lastCol, AutoSizeMode mode);

  GridModel* model_;
  int rowHeight_;
};

}  // namespace fd
