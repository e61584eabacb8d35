#pragma once

#include <QTableView>
#include <vector>

#include "ui/qt/GridModel.h"

namespace fd {

// A table view over one Grid: column widths and hidden columns follow the grid, the grid's
// requests to show a cell or fit its contents reach the view. The grid fits its columns by
// measuring cells as this view draws them, so the widths it holds are the ones shown.
class GridView : public QTableView {
  Q_OBJECT

 public:
  // rowHeightTwips is the height of a row before any fitting.
  GridView(Grid& grid, int rowHeightTwips, QWidget* parent = nullptr);
  ~GridView() override;

  GridModel* gridModel() const { return model_; }

 private:
  void applyColumns();
  void fit(int firstCol, int lastCol, AutoSizeMode mode);
  void rowsChanged(int first, int last);
  // The width in twips that a grid cell needs as this view draws it.
  int cellWidth(int row, int col) const;

  GridModel* model_;
  int rowHeight_;
  // Rows whose height is not fitted to their contents yet: every row from unfittedFrom_ on and
  // the earlier rows in changedRows_ (model rows).
  int unfittedFrom_ = 0;
  std::vector<int> changedRows_;
};

}  // namespace fd
