#include "grid/Grid.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <numeric>

#include "platform/AppError.h"
#include "platform/Text.h"

namespace fd {

namespace {

constexpr int kSubscriptOutOfRange = 381;
constexpr int kInvalidPropertyValue = 380;
constexpr const char* kSource = "Grid";
// Rough width of one character of the grid's font, in twips, when no view measures the cells.
constexpr int kTwipsPerChar = 105;
// Above this many cells a block change is announced as a reset rather than cell by cell.
constexpr long kMaxCellNotifications = 1000;

[[noreturn]] void outOfRange() {
  throw AppError(kSubscriptOutOfRange, kSource, "Subíndice fuera del intervalo");
}

[[noreturn]] void invalidValue() {
  throw AppError(kInvalidPropertyValue, kSource, "Valor de propiedad no válido");
}

std::string lower(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A cell reads as a number when it is an optionally signed decimal with at most one point, so
// "100" and "-2.5" do while a version text such as "05.02.007" does not.
bool readNumber(const std::string& text, double& value) {
  std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos)
    return false;
  std::size_t end = text.find_last_not_of(' ') + 1;
  std::size_t i = begin;
  if (text[i] == '+' || text[i] == '-')
    ++i;
  int digits = 0;
  int points = 0;
  for (; i < end; ++i) {
    char c = text[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      ++digits;
    } else if (c == '.' && points == 0) {
      ++points;
    } else {
      return false;
    }
  }
  if (digits == 0)
    return false;
  value = std::strtod(text.substr(begin, end - begin).c_str(), nullptr);
  return true;
}

// Generic order of two cells: numerically when both are numbers, otherwise as text without
// regard to (ASCII) letter case.
int compareCells(const std::string& a, const std::string& b) {
  double x = 0;
  double y = 0;
  if (readNumber(a, x) && readNumber(b, y))
    return x < y ? -1 : (x > y ? 1 : 0);
  int order = lower(a).compare(lower(b));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int characterCount(const std::string& text) {
  int count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
      ++count;
  }
  return count;
}

void order(int& first, int& last) {
  if (first > last)
    std::swap(first, last);
}

}  // namespace

void Grid::setRows(int rows) {
  if (rows < 0)
    invalidValue();
  const int before = Rows();
  cells_.resize(rows, std::vector<std::string>(cols_));
  looks_.resize(rows, std::vector<CellLook>(cols_));
  if (rows < before)
    forgetFittings();
  if (rows > before && before >= 1) {
    notifyAppended(before);
  } else {
    notifyReset();
  }
}

void Grid::setCols(int cols) {
  if (cols < 0)
    invalidValue();
  cols_ = cols;
  columns_.resize(cols);
  for (auto& row : cells_)
    row.resize(cols);
  for (auto& row : looks_)
    row.resize(cols);
  forgetFittings();
  notifyReset();
}

void Grid::checkCell(int row, int col) const {
  if (row < 0 || row >= Rows() || col < 0 || col >= cols_)
    outOfRange();
}

const std::string& Grid::TextMatrix(int row, int col) const {
  checkCell(row, col);
  return cells_[row][col];
}

void Grid::setTextMatrix(int row, int col, const std::string& text) {
  checkCell(row, col);
  cells_[row][col] = text;
  contentsChanged(row, col);
  notifyCell(row, col);
}

void Grid::AddItem(const std::string& tabSeparated) {
  std::vector<std::string> row = splitText(tabSeparated, '\t');
  if (row.size() > static_cast<std::size_t>(cols_))
    row.resize(cols_);
  appendRow(std::move(row));
}

void Grid::appendRow(std::vector<std::string> cells) {
  if (cells.size() > static_cast<std::size_t>(cols_))
    outOfRange();
  cells.resize(cols_);
  cells_.push_back(std::move(cells));
  looks_.emplace_back(cols_);
  if (Rows() > 1) {
    notifyAppended(Rows() - 1);
  } else {
    notifyReset();
  }
}

const Grid::Column& Grid::column(int col) const {
  if (col < 0 || col >= cols_)
    outOfRange();
  return columns_[col];
}

template <typename Change>
void Grid::changeColumns(int col, Change change) {
  if (col == -1) {
    for (auto& each : columns_)
      change(each);
  } else {
    column(col);  // checks col
    change(columns_[col]);
  }
  notifyReset();
}

int Grid::ColWidth(int col) const {
  return column(col).width;
}

void Grid::setColWidth(int col, int twips) {
  changeColumns(col, [&](Column& c) { c.width = twips; });
}

ColumnType Grid::ColDataType(int col) const {
  return column(col).type;
}

void Grid::setColDataType(int col, ColumnType type) {
  // A check box measures differently from its text.
  changeColumns(col, [&](Column& c) {
    c.type = type;
    c.fitting.stale = true;
  });
}

Alignment Grid::ColAlignment(int col) const {
  return column(col).alignment;
}

void Grid::setColAlignment(int col, Alignment alignment) {
  changeColumns(col, [&](Column& c) { c.alignment = alignment; });
}

bool Grid::ColHidden(int col) const {
  return column(col).hidden;
}

void Grid::setColHidden(int col, bool hidden) {
  changeColumns(col, [&](Column& c) { c.hidden = hidden; });
}

bool Grid::CellBold(int row, int col) const {
  checkCell(row, col);
  return looks_[row][col].bold;
}

Alignment Grid::CellAlignment(int row, int col) const {
  checkCell(row, col);
  const CellLook& look = looks_[row][col];
  return look.alignmentSet ? look.alignment : columns_[col].alignment;
}

std::uint32_t Grid::CellBackColor(int row, int col) const {
  checkCell(row, col);
  return looks_[row][col].backColor;
}

int Grid::CellChecked(int row, int col) const {
  const std::string text = lower(TextMatrix(row, col));
  return text == "1" || text == "-1" || text == "true" ? kChecked : kUnchecked;
}

// Applies a change to every cell of a block and tells the observers what changed.
template <typename Change>
static void forBlock(int row1, int col1, int row2, int col2, int rows, int cols, Change change) {
  order(row1, row2);
  order(col1, col2);
  if (row1 < 0 || row2 >= rows || col1 < 0 || col2 >= cols)
    outOfRange();
  for (int row = row1; row <= row2; ++row) {
    for (int col = col1; col <= col2; ++col)
      change(row, col);
  }
}

void Grid::setCellBold(int row1, int col1, int row2, int col2, bool bold) {
  forBlock(row1, col1, row2, col2, Rows(), cols_, [&](int row, int col) {
    looks_[row][col].bold = bold;
    contentsChanged(row, col);
  });
  notifyBlock(row1, col1, row2, col2);
}

void Grid::setCellAlignment(int row1, int col1, int row2, int col2, Alignment alignment) {
  forBlock(row1, col1, row2, col2, Rows(), cols_, [&](int row, int col) {
    looks_[row][col].alignment = alignment;
    looks_[row][col].alignmentSet = true;
  });
  notifyBlock(row1, col1, row2, col2);
}

void Grid::setCellBackColor(int row1, int col1, int row2, int col2, std::uint32_t color) {
  forBlock(row1, col1, row2, col2, Rows(), cols_,
           [&](int row, int col) { looks_[row][col].backColor = color; });
  notifyBlock(row1, col1, row2, col2);
}

void Grid::setCellChecked(int row1, int col1, int row2, int col2, int state) {
  const std::string text = state == kChecked ? "1" : "";
  forBlock(row1, col1, row2, col2, Rows(), cols_, [&](int row, int col) {
    cells_[row][col] = text;
    contentsChanged(row, col);
  });
  notifyBlock(row1, col1, row2, col2);
}

void Grid::Select(int row1, int col1, int row2, int col2) {
  order(row1, row2);
  order(col1, col2);
  if (row1 < 0 || row2 >= Rows() || col1 < 0 || col2 >= cols_)
    outOfRange();
  selRow1_ = row1;
  selCol1_ = col1;
  selRow2_ = row2;
  selCol2_ = col2;
}

void Grid::Sort(SortOrder sortOrder) {
  // The block may have outgrown the grid since it was selected.
  const int row2 = std::min(selRow2_, Rows() - 1);
  const int col2 = std::min(selCol2_, cols_ - 1);
  if (selRow1_ >= row2 || selCol1_ > col2)
    return;

  std::vector<int> rows(row2 - selRow1_ + 1);
  std::iota(rows.begin(), rows.end(), selRow1_);
  const bool descending = sortOrder == SortOrder::GenericDescending;
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
    for (int col = selCol1_; col <= col2; ++col) {
      int result = compareCells(cells_[a][col], cells_[b][col]);
      if (result != 0)
        return descending ? result > 0 : result < 0;
    }
    return false;
  });

  std::vector<std::vector<std::string>> cells;
  std::vector<std::vector<CellLook>> looks;
  for (int row : rows) {
    cells.push_back(std::move(cells_[row]));
    looks.push_back(std::move(looks_[row]));
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    cells_[selRow1_ + i] = std::move(cells[i]);
    looks_[selRow1_ + i] = std::move(looks[i]);
  }
  forgetFittings();
  notifyReset();
}

int Grid::FindRow(const std::string& text, int startRow, int col) const {
  if (col < 0 || col >= cols_)
    outOfRange();
  for (int row = std::max(startRow, 0); row < Rows(); ++row) {
    if (cells_[row][col] == text)
      return row;
  }
  return -1;
}

void Grid::Refresh() {
  notifyReset();
}

void Grid::ShowCell(int row, int col) {
  checkCell(row, col);
  for (GridObserver* observer : std::vector<GridObserver*>(observers_)) {
    observer->showCell(row, col);
  }
}

void Grid::AutoSize(int firstCol, int lastCol, int extraTwips) {
  order(firstCol, lastCol);
  if (firstCol < 0 || lastCol >= cols_)
    outOfRange();
  if (autoSizeMode_ == AutoSizeMode::ColumnWidths) {
    for (int col = firstCol; col <= lastCol; ++col) {
      Fitting& fitting = columns_[col].fitting;
      if (fitting.stale)
        fitting = Fitting{0, 0, {}, false};
      for (int row : fitting.changed)
        fitting.widest = std::max(fitting.widest, measure(row, col));
      fitting.changed.clear();
      for (int row = fitting.rows; row < Rows(); ++row)
        fitting.widest = std::max(fitting.widest, measure(row, col));
      fitting.rows = Rows();
      columns_[col].width = fitting.widest + extraTwips;
    }
  }
  for (GridObserver* observer : std::vector<GridObserver*>(observers_)) {
    observer->autoSized(firstCol, lastCol, autoSizeMode_);
  }
}

void Grid::setCellMeasure(CellMeasure measure) {
  measure_ = std::move(measure);
  forgetFittings();
}

int Grid::measure(int row, int col) {
  const int width =
      measure_ ? measure_(row, col) : characterCount(cells_[row][col]) * kTwipsPerChar;
  looks_[row][col].measuredWidth = width;
  return width;
}

void Grid::contentsChanged(int row, int col) {
  Fitting& fitting = columns_[col].fitting;
  if (fitting.stale || row >= fitting.rows)
    return;
  CellLook& look = looks_[row][col];
  // The widest cell may narrow, and then only every row tells the new widest.
  if (look.measuredWidth >= fitting.widest || fitting.changed.size() >= cells_.size()) {
    fitting.stale = true;
    fitting.changed.clear();
    return;
  }
  look.measuredWidth = -1;
  fitting.changed.push_back(row);
}

void Grid::forgetFittings() {
  for (Column& column : columns_) {
    column.fitting.stale = true;
    column.fitting.changed.clear();
  }
}

bool Grid::userEdit(int row, int col, const std::string& text) {
  checkCell(row, col);
  if (!editable_)
    return false;
  if (beforeEdit && !beforeEdit(row, col))
    return false;
  cells_[row][col] = text;
  contentsChanged(row, col);
  notifyCell(row, col);
  if (afterEdit)
    afterEdit(row, col);
  return true;
}

void Grid::addObserver(GridObserver* observer) {
  observers_.push_back(observer);
}

void Grid::removeObserver(GridObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void Grid::notifyReset() {
  for (GridObserver* observer : std::vector<GridObserver*>(observers_))
    observer->gridReset();
}

void Grid::notifyAppended(int first) {
  for (GridObserver* observer : std::vector<GridObserver*>(observers_))
    observer->rowsAppended(first, Rows() - 1);
}

void Grid::notifyCell(int row, int col) {
  for (GridObserver* observer : std::vector<GridObserver*>(observers_)) {
    observer->cellChanged(row, col);
  }
}

void Grid::notifyBlock(int row1, int col1, int row2, int col2) {
  order(row1, row2);
  order(col1, col2);
  if (static_cast<long>(row2 - row1 + 1) * (col2 - col1 + 1) > kMaxCellNotifications) {
    notifyReset();
    return;
  }
  for (int row = row1; row <= row2; ++row) {
    for (int col = col1; col <= col2; ++col)
      notifyCell(row, col);
  }
}

}  // namespace fd
