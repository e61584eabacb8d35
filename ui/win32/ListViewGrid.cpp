#include "ui/win32/ListViewGrid.h"

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace fd {

ListViewGrid::ListViewGrid(Grid& grid, HWND parent, int id, int rowHeightTwips)
    : grid_(grid), rowHeightTwips_(rowHeightTwips) {
  view_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_NOSORTHEADER, 0,
      0, 10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      GetModuleHandleW(nullptr), nullptr);
  ListView_SetExtendedListViewStyle(
      view_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_CHECKBOXES);
  grid_.setCellMeasure([this](int row, int col) { return measure(row, col); });
  grid_.addObserver(this);
  gridReset();
}

ListViewGrid::~ListViewGrid() {
  grid_.removeObserver(this);
  grid_.setCellMeasure({});
  if (bold_ != nullptr)
    DeleteObject(bold_);
}

int ListViewGrid::viewColumn(int gridCol) const {
  const auto found = std::find(columns_.begin(), columns_.end(), gridCol);
  return found == columns_.end() ? -1 : static_cast<int>(found - columns_.begin());
}

void ListViewGrid::setDpi(int dpi) {
  dpi_ = dpi;
  if (bold_ != nullptr)
    DeleteObject(bold_);
  bold_ = nullptr;
  // Rows are at least the grid's row height: a small image list sets the height of the items.
  HIMAGELIST rows = ImageList_Create(1, pixels(rowHeightTwips_), ILC_COLOR, 0, 0);
  HIMAGELIST old = ListView_SetImageList(view_, rows, LVSIL_SMALL);
  if (old != nullptr)
    ImageList_Destroy(old);
  applyWidths();
}

void ListViewGrid::rebuildColumns() {
  while (ListView_DeleteColumn(view_, 0)) {
  }
  // The check-box column first, then the others in the grid's order.
  columns_.clear();
  for (int col = 0; col < grid_.Cols(); ++col) {
    if (grid_.ColDataType(col) == ColumnType::Boolean && columns_.empty())
      columns_.push_back(col);
  }
  const bool checks = !columns_.empty();
  for (int col = 0; col < grid_.Cols(); ++col) {
    if (!checks || col != columns_.front())
      columns_.push_back(col);
  }
  ListView_SetExtendedListViewStyleEx(view_, LVS_EX_CHECKBOXES, checks ? LVS_EX_CHECKBOXES : 0);
  for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
    const int col = columns_[i];
    std::wstring caption = grid_.Rows() > 0 ? widen(grid_.TextMatrix(0, col)) : L"";
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt =
        grid_.ColAlignment(col) == Alignment::Center && i != 0 ? LVCFMT_CENTER : LVCFMT_LEFT;
    column.cx = grid_.ColHidden(col) ? 0 : pixels(grid_.ColWidth(col));
    column.pszText = caption.data();
    column.iSubItem = i;
    ListView_InsertColumn(view_, i, &column);
  }
  // Shown in the grid's order.
  std::vector<int> order;
  for (int col = 0; col < grid_.Cols(); ++col)
    order.push_back(viewColumn(col));
  if (!order.empty())
    ListView_SetColumnOrderArray(view_, static_cast<int>(order.size()), order.data());
}

void ListViewGrid::applyWidths() {
  for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
    const int col = columns_[i];
    ListView_SetColumnWidth(view_, i, grid_.ColHidden(col) ? 0 : pixels(grid_.ColWidth(col)));
  }
}

void ListViewGrid::gridReset() {
  writing_ = true;
  SendMessageW(view_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(view_);
  rebuildColumns();
  insertRows(1, grid_.Rows() - 1);
  SendMessageW(view_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(view_, nullptr, TRUE);
  writing_ = false;
}

void ListViewGrid::rowsAppended(int first, int last) {
  writing_ = true;
  insertRows(first, last);
  writing_ = false;
}

void ListViewGrid::insertRows(int first, int last) {
  for (int row = first; row <= last; ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row - 1;
    // A check-box column shows its tick alone; the item's own text stays empty.
    std::wstring text;
    item.pszText = text.data();
    ListView_InsertItem(view_, &item);
    for (int col = 0; col < grid_.Cols(); ++col)
      writeCell(row, col);
  }
}

void ListViewGrid::writeCell(int row, int col) {
  const int viewCol = viewColumn(col);
  if (viewCol < 0 || row < 1 || row - 1 >= ListView_GetItemCount(view_))
    return;
  if (grid_.ColDataType(col) == ColumnType::Boolean && viewCol == 0) {
    ListView_SetCheckState(view_, row - 1, grid_.CellChecked(row, col) == kChecked);
    return;
  }
  std::wstring text = widen(grid_.TextMatrix(row, col));
  ListView_SetItemText(view_, row - 1, viewCol, text.data());
}

void ListViewGrid::cellChanged(int row, int col) {
  writing_ = true;
  if (row == 0) {
    std::wstring caption = widen(grid_.TextMatrix(0, col));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = caption.data();
    ListView_SetColumn(view_, viewColumn(col), &column);
  } else {
    writeCell(row, col);
    ListView_RedrawItems(view_, row - 1, row - 1);
  }
  writing_ = false;
}

void ListViewGrid::showCell(int row, int) {
  if (row >= 1)
    ListView_EnsureVisible(view_, row - 1, FALSE);
}

void ListViewGrid::autoSized(int, int, AutoSizeMode mode) {
  if (mode == AutoSizeMode::ColumnWidths)
    applyWidths();
}

int ListViewGrid::measure(int row, int col) const {
  const std::wstring text = widen(grid_.TextMatrix(row, col));
  HDC dc = GetDC(view_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(view_, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(view_, dc);
  // The list view's margins on both sides of a cell's text.
  return MulDiv(size.cx + 14, 1440, dpi_);
}

bool ListViewGrid::notify(NMHDR* header, LRESULT& result) {
  if (header->hwndFrom != view_)
    return false;
  if (header->code == NM_CUSTOMDRAW) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage) {
      case CDDS_PREPAINT:
        result = CDRF_NOTIFYITEMDRAW;
        return true;
      case CDDS_ITEMPREPAINT:
        result = CDRF_NOTIFYSUBITEMDRAW;
        return true;
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const int row = static_cast<int>(draw->nmcd.dwItemSpec) + 1;
        const int viewCol = draw->iSubItem;
        result = CDRF_DODEFAULT;
        if (row >= grid_.Rows() || viewCol >= static_cast<int>(columns_.size()))
          return true;
        const int col = gridColumn(viewCol);
        // The grid's colours are 0x00BBGGRR, as COLORREF.
        draw->clrTextBk = grid_.CellBackColor(row, col);
        draw->clrText = RGB(0, 0, 0);
        // Selection would paint over the row's colour.
        draw->nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
        if (grid_.CellBold(row, col)) {
          if (bold_ == nullptr) {
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(view_, WM_GETFONT, 0, 0)), sizeof font,
                       &font);
            font.lfWeight = FW_BOLD;
            bold_ = CreateFontIndirectW(&font);
          }
          SelectObject(draw->nmcd.hdc, bold_);
          result = CDRF_NEWFONT;
        }
        return true;
      }
      default:
        result = CDRF_DODEFAULT;
        return true;
    }
  }
  if (header->code == LVN_ITEMCHANGING && !writing_) {
    // A tick the user sets or clears goes through the grid, which may refuse it.
    auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    const UINT oldCheck = change->uOldState & LVIS_STATEIMAGEMASK;
    const UINT newCheck = change->uNewState & LVIS_STATEIMAGEMASK;
    if ((change->uChanged & LVIF_STATE) != 0 && oldCheck != 0 && newCheck != 0 &&
        oldCheck != newCheck && !columns_.empty()) {
      const int row = change->iItem + 1;
      const bool ticked = newCheck == INDEXTOSTATEIMAGEMASK(2);
      writing_ = true;
      const bool accepted = grid_.userEdit(row, columns_[0], ticked ? "1" : "");
      writing_ = false;
      // A refused edit leaves the box as it was.
      result = accepted ? FALSE : TRUE;
      return true;
    }
  }
  return false;
}

}  // namespace fd
