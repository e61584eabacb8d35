#include "ui/win32/Win32PickerDialog.h"

#include <commctrl.h>
#include <windowsx.h>

#include "platform/win32/Win32Text.h"
#include "ui/win32/AccessibleName.h"
#include "ui/win32/WindowClass.h"
#include "window/WindowLayout.h"
#include "window/frmPath.h"

namespace fd {

namespace {

constexpr const wchar_t* kClassName = L"ActualizadorFDCarpeta";
enum { kDrives = 1, kFolder, kFolders };

std::wstring itemText(HWND list, int index) {
  std::wstring text(static_cast<std::size_t>(ListBox_GetTextLen(list, index)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(ListBox_GetText(list, index, text.data())));
  return text;
}

}  // namespace

Win32PickerDialog::Win32PickerDialog(frmPath& picker, HWND owner) : picker_(picker), owner_(owner) {
  registerWindowClass(kClassName, procedure);

  const UINT dpi = owner != nullptr ? GetDpiForWindow(owner) : GetDpiForSystem();
  const auto px = [dpi](int pixels96) { return MulDiv(pixels96, static_cast<int>(dpi), 96); };
  // The picker's outer size is fixed.
  const int width = px(layout::kPickerWidthTwips / 15);
  const int height = px(layout::kPickerHeightTwips / 15);
  RECT ownerRect{0, 0, width, height};
  if (owner != nullptr)
    GetWindowRect(owner, &ownerRect);
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, widen(frmPath::kCaption).c_str(),
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, ownerRect.left + px(60),
                            ownerRect.top + px(60), width, height, owner, nullptr,
                            GetModuleHandleW(nullptr), this);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
  font_ = CreateFontIndirectW(&metrics.lfMessageFont);

  RECT client;
  GetClientRect(window_, &client);
  const int margin = px(4);
  const int inner = client.right - 2 * margin;
  const auto make = [this](const wchar_t* windowClass, DWORD style, DWORD exStyle, int id, int x,
                           int y, int w, int h) {
    HWND control = CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_VISIBLE | style, x, y,
                                   w, h, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
  };
  drives_ = make(WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 0, kDrives, margin,
                 margin, inner, px(200));
  folder_ = make(WC_STATICW, SS_LEFT | SS_PATHELLIPSIS, 0, kFolder, margin, margin + px(28), inner,
                 px(20));
  const int listTop = margin + px(52);
  folders_ =
      make(WC_LISTBOXW, LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT,
           WS_EX_CLIENTEDGE, kFolders, margin, listTop, inner, client.bottom - margin - listTop);
  setAccessibleName(drives_, L"Drive1");
  setAccessibleName(folders_, L"Dir1");
  for (const std::string& drive : picker_.Drives())
    ComboBox_AddString(drives_, widen(drive).c_str());
  refresh();
}

Win32PickerDialog::~Win32PickerDialog() {
  if (IsWindow(window_))
    DestroyWindow(window_);
  if (font_ != nullptr)
    DeleteObject(font_);
}

void Win32PickerDialog::exec() {
  if (owner_ != nullptr)
    EnableWindow(owner_, FALSE);
  ShowWindow(window_, SW_SHOW);
  SetFocus(folders_);
  MSG message;
  while (open_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN &&
        (message.hwnd == window_ || IsChild(window_, message.hwnd))) {
      const int key = static_cast<int>(message.wParam);
      // F1..F12 are the key codes 112..123 the picker's logic knows.
      if (key >= VK_F1 && key <= VK_F24 && picker_.Form_KeyDown(112 + (key - VK_F1))) {
        open_ = false;
        break;
      }
      if (key == VK_RETURN && message.hwnd == folders_) {
        openSelected();
        continue;
      }
      // Escape and Enter do not close the picker.
      if (key == VK_ESCAPE || key == VK_RETURN)
        continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (owner_ != nullptr) {
    EnableWindow(owner_, TRUE);
    SetActiveWindow(owner_);
  }
  ShowWindow(window_, SW_HIDE);
}

void Win32PickerDialog::chooseDrive() {
  const int index = ComboBox_GetCurSel(drives_);
  if (index < 0)
    return;
  std::wstring text(static_cast<std::size_t>(ComboBox_GetLBTextLen(drives_, index)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(ComboBox_GetLBText(drives_, index, text.data())));
  picker_.chooseDrive(narrow(text));
  refresh();
}

void Win32PickerDialog::openSelected() {
  const int index = ListBox_GetCurSel(folders_);
  if (index >= 0)
    openFolder(itemText(folders_, index));
}

void Win32PickerDialog::openFolder(const std::wstring& name) {
  picker_.openEntry(narrow(name));
  refresh();
}

void Win32PickerDialog::refresh() {
  ComboBox_SelectString(drives_, -1, widen(picker_.Drive()).c_str());
  SetWindowTextW(folder_, widen(picker_.Path()).c_str());
  ListBox_ResetContent(folders_);
  for (const std::string& entry : picker_.Entries())
    ListBox_AddString(folders_, widen(entry).c_str());
  if (ListBox_GetCount(folders_) > 0)
    ListBox_SetCurSel(folders_, 0);
}

LRESULT CALLBACK Win32PickerDialog::procedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32PickerDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ == nullptr)
    return DefWindowProcW(window, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

LRESULT Win32PickerDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kDrives && HIWORD(wParam) == CBN_SELCHANGE) {
        chooseDrive();
        return 0;
      }
      if (LOWORD(wParam) == kFolders && HIWORD(wParam) == LBN_DBLCLK) {
        openSelected();
        return 0;
      }
      break;
    case WM_CLOSE:
      open_ = false;
      // Wakes the modal loop.
      PostMessageW(window_, WM_NULL, 0, 0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace fd
