#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "grid/Grid.h"

namespace fd {

// A report list view over one Grid: grid row 0 is the header, grid rows 1.. are the items, and
// every grid column is a list-view column with the grid's width (hidden columns are zero wide).
// The grid's check-box column is the list view's first column, shown at its own place, so that
// its cells are the items' check boxes. Cell colours and bold come through custom draw; a tick
// the user sets goes through Grid::userEdit, so the grid's edit events decide.
class ListViewGrid : private GridObserver {
 public:
  ListViewGrid(Grid& grid, HWND parent, int id, int rowHeightTwips);
  ~ListViewGrid() override;
  ListViewGrid(const ListViewGrid&) = delete;
  ListViewGrid& operator=(const ListViewGrid&) = delete;

  HWND handle() const { return view_; }
  // The list-view column that shows a grid column.
  int viewColumn(int gridCol) const;
  // Dots per inch of the window, for twips.
  void setDpi(int dpi);
  // Answers the list view's notifications (custom draw, ticks); returns true when handled.
  bool notify(NMHDR* header, LRESULT& result);

 private:
  void gridReset() override;
  void rowsAppended(int first, int last) override;
  void cellChanged(int row, int col) override;
  void showCell(int row, int col) override;
  void autoSized(int firstCol, int lastCol, AutoSizeMode mode) override;

  int gridColumn(int viewCol) const { return columns_[viewCol]; }
  int pixels(int twips) const { return MulDiv(twips, dpi_, 1440); }
  void rebuildColumns();
  void insertRows(int first, int last);
  void writeCell(int row, int col);
  void applyWidths();
  int measure(int row, int col) const;

  Grid& grid_;
  HWND view_;
  int dpi_ = 96;
  int rowHeightTwips_;
  HFONT bold_ = nullptr;
  // The grid column of each list-view column.
  std::vector<int> columns_;
  // Set while the view's state is written from the grid, so it is not taken for the user's.
  bool writing_ = false;
};

}  // namespace fd
