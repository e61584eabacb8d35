#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fd {

// Colours are 0x00BBGGRR values.
namespace colors {
constexpr std::uint32_t kLightGreen = 0xC0FFC0;
constexpr std::uint32_t kLightRed = 0xC0C0FF;
constexpr std::uint32_t kWhite = 0xFFFFFF;
}  // namespace colors

// Checked states of a check-box cell.
inline constexpr int kChecked = 1;
inline constexpr int kUnchecked = 2;

enum class ColumnType { Text, Boolean, Date };
enum class Alignment { Left, Center };
enum class SortOrder { GenericAscending, GenericDescending };
enum class AutoSizeMode { ColumnWidths, RowHeights };

// What a view needs to hear to redraw.
class GridObserver {
 public:
  virtual ~GridObserver() = default;
  // Rows or columns were added or removed, or many cells changed at once.
  virtual void gridReset() = 0;
  // Rows first to last were added after the last row; nothing else changed.
  virtual void rowsAppended(int first, int last) = 0;
  // One cell's text or look changed.
  virtual void cellChanged(int row, int col) = 0;
  // The logic asks that this cell be brought into view.
  virtual void showCell(int row, int col) = 0;
  // The logic asks that rows or columns be fitted to their contents.
  virtual void autoSized(int firstCol, int lastCol, AutoSizeMode mode) = 0;
};

// The width in twips that a cell's contents need, margins included.
using CellMeasure = std::function<int(int row, int col)>;

// A table of text cells addressed by row and column, row 0 the header and column 0 the row
// number, with the operations the stages use. Holds any number of rows; appending a row and
// fitting the columns again cost the same however many rows there are.
class Grid {
 public:
  Grid() = default;
  Grid(const Grid&) = delete;
  Grid& operator=(const Grid&) = delete;

  int Rows() const { return static_cast<int>(cells_.size()); }
  // Writing 1 leaves only the header; more rows are added empty, fewer are cut.
  void setRows(int rows);
  int Cols() const { return cols_; }
  void setCols(int cols);
  int FixedRows() const { return fixedRows_; }
  void setFixedRows(int rows) { fixedRows_ = rows; }

  // Reading or writing outside the grid throws AppError 381 ("Subíndice fuera del intervalo").
  const std::string& TextMatrix(int row, int col) const;
  void setTextMatrix(int row, int col, const std::string& text);
  // Appends a row from tab-separated text, cells from column 0 on; missing cells stay empty.
  void AddItem(const std::string& tabSeparated);
  // Appends a row of cells from column 0 on; missing cells stay empty, and more cells than
  // columns throw AppError 381. The stages append through GridRow, which names the cells.
  void appendRow(std::vector<std::string> cells);

  // Column settings; col -1 addresses every column where the grid control allowed it.
  int ColWidth(int col) const;
  void setColWidth(int col, int twips);
  ColumnType ColDataType(int col) const;
  void setColDataType(int col, ColumnType type);
  Alignment ColAlignment(int col) const;
  void setColAlignment(int col, Alignment alignment);
  bool ColHidden(int col) const;
  void setColHidden(int col, bool hidden);

  // Cell settings over a block of cells (first row, first column, last row, last column).
  bool CellBold(int row, int col) const;
  void setCellBold(int row1, int col1, int row2, int col2, bool bold);
  Alignment CellAlignment(int row, int col) const;
  void setCellAlignment(int row1, int col1, int row2, int col2, Alignment alignment);
  std::uint32_t CellBackColor(int row, int col) const;  // kWhite unless set
  void setCellBackColor(int row1, int col1, int row2, int col2, std::uint32_t color);
  // kChecked or kUnchecked; a check-box cell is ticked when its text is "1", "-1" or "True".
  int CellChecked(int row, int col) const;
  void setCellChecked(int row1, int col1, int row2, int col2, int state);

  // Marks the block that the next sort works on.
  void Select(int row1, int col1, int row2, int col2);
  // Sorts the rows of the selected block by its columns, left to right. Two cells compare as
  // numbers when both read as numbers, otherwise as text; rows that compare equal keep their
  // order.
  void Sort(SortOrder order);
  // The first row at or after startRow whose cell in col equals text, or -1.
  int FindRow(const std::string& text, int startRow, int col) const;

  void Refresh();
  void ShowCell(int row, int col);
  AutoSizeMode autoSizeMode() const { return autoSizeMode_; }
  void setAutoSizeMode(AutoSizeMode mode) { autoSizeMode_ = mode; }
  // Fits the widths (or the row heights) of the columns to their contents plus extra twips.
  // Widths are measured only for the cells added or changed since the last fitting.
  void AutoSize(int firstCol, int lastCol, int extraTwips);
  // How fitting measures a cell; a view measures with its font. Without one, a rough estimate
  // from the number of characters.
  void setCellMeasure(CellMeasure measure);

  bool Editable() const { return editable_; }
  void setEditable(bool editable) { editable_ = editable; }

  // Edit events: beforeEdit returns false to cancel the edit; afterEdit runs after a change.
  std::function<bool(int row, int col)> beforeEdit;
  std::function<void(int row, int col)> afterEdit;
  // What a view calls when the user edits a cell: asks beforeEdit, writes, runs afterEdit.
  // Returns false when the edit was cancelled.
  bool userEdit(int row, int col, const std::string& text);

  void addObserver(GridObserver* observer);
  void removeObserver(GridObserver* observer);

 private:
  struct CellLook {
    bool bold = false;
    Alignment alignment = Alignment::Left;
    bool alignmentSet = false;  // otherwise the column's alignment applies
    std::uint32_t backColor = 0xFFFFFF;
    int measuredWidth = -1;  // twips, as the last fitting measured it
  };
  // What the last fitting of a column saw, so that the next one measures only what changed.
  struct Fitting {
    int rows = 0;              // rows 0 to rows - 1 were measured; later rows are new
    int widest = 0;            // twips, the widest of those cells
    std::vector<int> changed;  // measured rows changed since, which may now be wider
    bool stale = true;         // the widest cell may have narrowed: measure every row again
  };
  struct Column {
    int width = 960;
    ColumnType type = ColumnType::Text;
    Alignment alignment = Alignment::Left;
    bool hidden = false;
    Fitting fitting;
  };

  void checkCell(int row, int col) const;
  // A column, checked against the columns there are.
  const Column& column(int col) const;
  // Applies a change to one column, or to all for col -1, and tells the observers.
  template <typename Change>
  void changeColumns(int col, Change change);
  // A cell's width may have changed: the next fitting of its column measures it again.
  void contentsChanged(int row, int col);
  void forgetFittings();
  int measure(int row, int col);
  void notifyReset();
  void notifyAppended(int first);
  void notifyCell(int row, int col);
  void notifyBlock(int row1, int col1, int row2, int col2);

  std::vector<std::vector<std::string>> cells_;
  std::vector<std::vector<CellLook>> looks_;
  std::vector<Column> columns_;
  int cols_ = 0;
  int fixedRows_ = 1;
  int selRow1_ = 0, selCol1_ = 0, selRow2_ = 0, selCol2_ = 0;
  AutoSizeMode autoSizeMode_ = AutoSizeMode::ColumnWidths;
  bool editable_ = false;
  CellMeasure measure_;
  std::vector<GridObserver*> observers_;
};

}  // namespace fd
