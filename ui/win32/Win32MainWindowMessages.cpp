// The window procedure of Win32MainWindow: its controls' notifications passed on to the form's
// events and models, its colours, its logo, its size and DPI.
#include "ui/win32/Win32MainWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/win32/Win32Text.h"
#include "ui/win32/Win32Color.h"
#include "ui/win32/Win32Desktop.h"
#include "ui/win32/Win32Logo.h"
#include "window/WindowLayout.h"
#include "window/frmActualiza1.h"

namespace fd {

namespace {

Win32MainWindow* self(HWND window) {
  return reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool isFolderBox(int id) {
  const auto rows = layout::moduleRows();
  return std::any_of(rows.begin(), rows.end(), [id](const layout::ModuleRow& row) {
    return controlid::named(row.folderName) == id;
  });
}

}  // namespace

LRESULT CALLBACK Win32MainWindow::procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* owner = static_cast<Win32MainWindow*>(created->lpCreateParams);
    owner->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  }
  Win32MainWindow* owner = self(window);
  if (owner == nullptr)
    return DefWindowProcW(window, message, wParam, lParam);
  return owner->handle(message, wParam, lParam);
}

LRESULT Win32MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      // Input that reaches a control the window shows unavailable is ignored; a refused tick or
      // text shows the model's again.
      if (code == BN_CLICKED) {
        if (auto click = clicks_.find(id); click != clicks_.end()) {
          if (available(id))
            run(click->second);
          return 0;
        }
        if (auto check = checks_.find(id); check != checks_.end()) {
          auto box = reinterpret_cast<HWND>(lParam);
          if (!check->second->userEdit(Button_GetCheck(box) == BST_CHECKED ? 1 : 0))
            Button_SetCheck(box, check->second->Value() == 1 ? BST_CHECKED : BST_UNCHECKED);
          return 0;
        }
      }
      if (code == EN_CHANGE && !writing_) {
        if (auto box = boxes_.find(id); box != boxes_.end()) {
          auto edit = reinterpret_cast<HWND>(lParam);
          if (!box->second->userEdit(narrow(textOf(edit))))
            showText(edit, *box->second);
        }
        return 0;
      }
      // Leaving a box is its validation; another window coming to the front is not leaving it.
      if (code == EN_KILLFOCUS && GetForegroundWindow() == window_) {
        if (auto validate = validations_.find(id); validate != validations_.end())
          run(validate->second);
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom == controlid::SSTab1 && header->code == TCN_SELCHANGE) {
        form_.SSTab1.setTab(TabCtrl_GetCurSel(tabs_));
        showPage(TabCtrl_GetCurSel(tabs_));
        return 0;
      }
      LRESULT result = 0;
      if (auto view = grids_.find(static_cast<int>(header->idFrom));
          view != grids_.end() && view->second->notify(header, result))
        return result;
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      auto dc = reinterpret_cast<HDC>(wParam);
      auto control = reinterpret_cast<HWND>(lParam);
      const int id = GetDlgCtrlID(control);
      if (id == controlid::txtEstado) {
        SetTextColor(dc, colorOf(layout::kStatusText));
        SetBkColor(dc, colorOf(layout::kStatusBack));
        return reinterpret_cast<LRESULT>(statusBrush_);
      }
      if (isFolderBox(id)) {
        SetBkColor(dc, colorOf(layout::kFolderColor));
        return reinterpret_cast<LRESULT>(folderBrush_);
      }
      if (std::find(sections_.begin(), sections_.end(), control) != sections_.end()) {
        SetBkColor(dc, colorOf(layout::kSectionColor));
        return reinterpret_cast<LRESULT>(sectionBrush_);
      }
      break;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == controlid::iLogo) {
        drawLogo(item->hDC, item->rcItem);
        return TRUE;
      }
      break;
    }
    case WM_SETCURSOR:
      if (desktop_.busy()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_SIZE:
      layout();
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<RECT*>(lParam);
      applyDpi(HIWORD(wParam));
      SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      close();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace fd
