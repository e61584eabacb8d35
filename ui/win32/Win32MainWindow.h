#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/win32/ControlIds.h"
#include "ui/win32/ListViewGrid.h"

namespace fd {

class CheckBox;
class TextBox;
class Win32Desktop;
class frmActualiza1;
struct ControlDescription;

// The updater's window on Win32: common controls mirroring the control models of frmActualiza1
// both ways, and the window's events passed on to it. Four tab pages over one tab control; the
// controls of the pages that are not shown are hidden.
class Win32MainWindow {
 public:
  Win32MainWindow(frmActualiza1& form, Win32Desktop& desktop);
  ~Win32MainWindow();
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  // Start-up, run like every other event of the window: false when the program must end.
  bool load();

  HWND handle() const { return window_; }
  HWND control(int id) const { return GetDlgItem(window_, id); }
  // The control of that name in frmActualiza1 (or in both views); nullptr when there is none.
  HWND controlNamed(std::string_view name) const;
  ListViewGrid& grid(int id) { return *grids_.at(id); }

 private:
  static std::wstring textOf(HWND control);
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND add(int page, const wchar_t* windowClass, std::string_view text, DWORD style, int id,
           DWORD exStyle = 0);
  // The caption beside or above the control id.
  void caption(int page, int id, std::string_view text);
  void sectionBar(int page, int id, std::string_view text);
  void textBox(int page, TextBox& box, int id, std::function<void()> validate = {});
  void showText(HWND edit, const TextBox& box);
  void checkBox(int page, CheckBox& box, int id, std::string_view text);
  // A button whose availability the window's description gives.
  void button(int page, int id, std::string_view text, std::function<void()> click);
  void gridView(int page, Grid& grid, int id, int rowHeightTwips);

  void build();
  void buildGeneral();
  // The captioned grids of the other pages over their check boxes and buttons.
  void buildPages();
  void showPage(int page);
  void layout();
  void applyDpi(int dpi);
  void close();
  // Whether the user may act on a control now, as the window's description says.
  bool available(int id) const;
  // Each described control enabled while the user may act on it.
  void showAvailability();
  // Runs one of the window's events; a failure no trap caught is shown, not lost. False when
  // it failed.
  bool run(const std::function<void()>& event);

  frmActualiza1& form_;
  Win32Desktop& desktop_;
  HWND window_ = nullptr;
  HWND tabs_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HFONT boldFont_ = nullptr;
  HBRUSH sectionBrush_ = nullptr;
  HBRUSH folderBrush_ = nullptr;
  HBRUSH statusBrush_ = nullptr;
  // Each control's page, -1 for those on every page.
  std::map<int, int> pages_;
  std::vector<HWND> sections_;
  std::vector<HWND> boldButtons_;
  std::map<int, std::unique_ptr<ListViewGrid>> grids_;
  std::map<int, TextBox*> boxes_;
  std::map<int, CheckBox*> checks_;
  std::map<int, std::function<void()>> validations_;
  std::map<int, std::function<void()>> clicks_;
  std::map<int, const ControlDescription*> described_;
  // Set while a control is written from its model, so that it is not taken for the user's edit.
  bool writing_ = false;
  // The control that had the keyboard focus when an operation began.
  HWND focusBeforeBusy_ = nullptr;
};

}  // namespace fd
