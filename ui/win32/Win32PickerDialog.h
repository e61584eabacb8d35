#pragma once

#include <windows.h>

#include <string>

namespace fd {

class frmPath;

// The folder picker "Seleccionar carpeta": a drive list over frmPath::Drives(), the current
// folder, and its sub-folders with ".." first to go up. Opening a folder (double click or Enter)
// moves the picker there; F12 or the close box closes it, Escape does not. There is no OK or
// Cancel: the picker reports where it stands.
class Win32PickerDialog {
 public:
  Win32PickerDialog(frmPath& picker, HWND owner);
  ~Win32PickerDialog();
  Win32PickerDialog(const Win32PickerDialog&) = delete;
  Win32PickerDialog& operator=(const Win32PickerDialog&) = delete;

  // Shows the picker modally until it closes.
  void exec();
  HWND handle() const { return window_; }
  // Opens an entry of the folder list: a sub-folder, or the parent for "..".
  void openFolder(const std::wstring& name);

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void chooseDrive();
  void refresh();
  void openSelected();

  frmPath& picker_;
  HWND owner_;
  HWND window_ = nullptr;
  HWND drives_ = nullptr;
  HWND folder_ = nullptr;
  HWND folders_ = nullptr;
  HFONT font_ = nullptr;
  bool open_ = true;
};

}  // namespace fd
