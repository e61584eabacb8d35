#include "ui/qt/GridModel.h"

#include <QColor>
#include <QFont>

namespace fd {

QColor colorOf(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

namespace {

QVariant alignmentOf(Alignment alignment) {
  const Qt::Alignment horizontal =
      alignment == Alignment::Center ? Qt::AlignHCenter : Qt::AlignLeft;
  return static_cast<int>(horizontal | Qt::AlignVCenter);
}

}  // namespace

GridModel::GridModel(Grid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), rows_(std::max(grid.Rows() - 1, 0)) {
  grid_.addObserver(this);
}

GridModel::~GridModel() {
  grid_.removeObserver(this);
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.Cols();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid())
    return {};
  const int row = gridRow(index.row());
  const int col = index.column();
  const bool checkBox = grid_.ColDataType(col) == ColumnType::Boolean;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (checkBox)
        return {};
      return QString::fromStdString(grid_.TextMatrix(row, col));
    case Qt::AccessibleTextRole:
      return QString::fromStdString(grid_.TextMatrix(row, col));
    case Qt::CheckStateRole:
      if (!checkBox)
        return {};
      return grid_.CellChecked(row, col) == kChecked ? Qt::Checked : Qt::Unchecked;
    case Qt::BackgroundRole:
      return colorOf(grid_.CellBackColor(row, col));
    case Qt::ForegroundRole:
      return QColor(Qt::black);
    case Qt::FontRole:
      if (grid_.CellBold(row, col)) {
        QFont font;
        font.setBold(true);
        return font;
      }
      return {};
    case Qt::TextAlignmentRole:
      return alignmentOf(grid_.CellAlignment(row, col));
    default:
      return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= grid_.Cols() || grid_.Rows() < 1) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return QString::fromStdString(grid_.TextMatrix(0, section));
    case Qt::FontRole: {
      QFont font;
      font.setBold(grid_.CellBold(0, section));
      return font;
    }
    case Qt::TextAlignmentRole:
      return alignmentOf(grid_.CellAlignment(0, section));
    default:
      return {};
  }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid())
    return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const int row = gridRow(index.row());
  const int col = index.column();
  // The grid's own event decides which cells open for editing, as it would before an edit.
  if (grid_.Editable() && (!grid_.beforeEdit || grid_.beforeEdit(row, col))) {
    flags |= grid_.ColDataType(col) == ColumnType::Boolean ? Qt::ItemIsUserCheckable
                                                           : Qt::ItemIsEditable;
  }
  return flags;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid())
    return false;
  const int row = gridRow(index.row());
  const int col = index.column();
  if (role == Qt::CheckStateRole) {
    const bool ticked = value.value<Qt::CheckState>() == Qt::Checked;
    return grid_.userEdit(row, col, ticked ? "1" : "");
  }
  if (role == Qt::EditRole)
    return grid_.userEdit(row, col, value.toString().toStdString());
  return false;
}

void GridModel::gridReset() {
  beginResetModel();
  rows_ = std::max(grid_.Rows() - 1, 0);
  endResetModel();
  emit columnsReset();
}

void GridModel::rowsAppended(int first, int last) {
  beginInsertRows(QModelIndex(), modelRow(first), modelRow(last));
  rows_ = modelRow(last) + 1;
  endInsertRows();
}

void GridModel::cellChanged(int row, int col) {
  if (row == 0) {
    emit headerDataChanged(Qt::Horizontal, col, col);
  } else if (modelRow(row) < rowCount()) {
    const QModelIndex cell = index(modelRow(row), col);
    emit dataChanged(cell, cell);
  }
}

void GridModel::showCell(int row, int col) {
  if (row >= 1)
    emit showCellRequested(index(modelRow(row), col));
}

void GridModel::autoSized(int firstCol, int lastCol, AutoSizeMode mode) {
  emit autoSizeRequested(firstCol, lastCol, mode);
}

}  // namespace fd
