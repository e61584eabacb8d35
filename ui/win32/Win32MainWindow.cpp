#include "ui/win32/Win32MainWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>

#include "platform/win32/Win32Text.h"
#include "ui/win32/AccessibleName.h"
#include "ui/win32/Win32Desktop.h"
#include "ui/win32/Win32PickerDialog.h"
#include "ui/win32/WindowClass.h"
#include "window/WindowControls.h"
#include "window/frmActualiza1.h"
#include "window/frmPath.h"

namespace fd {

const wchar_t* const Win32MainWindow::kTabCaptions[4] = {
    L"    General    ", L"    Descomprimir    ", L"    Actualizar   ", L"    Resultados    "};

namespace {

constexpr const wchar_t* kClassName = L"ActualizadorFD";
constexpr int kWindowWidthTwips = 14600;
constexpr int kBasesRowTwips = 360;
constexpr int kGridRowTwips = 390;
constexpr COLORREF kSectionColor = RGB(192, 255, 192);
constexpr COLORREF kFolderColor = RGB(224, 224, 224);

enum Page { General, Descomprimir, Actualizar, Resultados, EveryPage = -1 };

// Every control that has a name, the name of its model in frmActualiza1 or, for the others, the
// one the Qt view gives it. Those whose window text is not their name for screen readers
// (content, or none at all) take that name, as in the Qt view; the others read their own text.
constexpr struct {
  int id;
  std::string_view name;
  bool readByName;
} kNamedControls[] = {
    {controlid::SSTab1, "SSTab1", true},
    {controlid::txtEstado, "txtEstado", true},
    {controlid::iLogo, "iLogo", true},
    {controlid::txtDirFD, "txtDirFD", true},
    {controlid::cmdRaiz, "cmdRaiz", true},
    {controlid::txtCom, "txtCom", true},
    {controlid::txtDirCom, "txtDirCom", true},
    {controlid::txtCon, "txtCon", true},
    {controlid::txtDirCon, "txtDirCon", true},
    {controlid::txtCRM, "txtCRM", true},
    {controlid::txtDirCRM, "txtDirCRM", true},
    {controlid::txtMRP, "txtMRP", true},
    {controlid::txtDirMRP, "txtDirMRP", true},
    {controlid::txtIni, "txtIni", true},
    {controlid::txtDirIni, "txtDirIni", true},
    {controlid::txtServidor, "txtServidor", true},
    {controlid::flxBases, "flxBases", true},
    {controlid::flxRar, "flxRar", true},
    {controlid::cmdDes, "cmdDes", false},
    {controlid::flxFile, "flxFile", true},
    {controlid::flxScrp, "flxScrp", true},
    {controlid::chkFiles, "chkFiles", false},
    {controlid::chkComandos, "chkComandos", false},
    {controlid::chkScripts, "chkScripts", false},
    {controlid::cmdAct, "cmdAct", false},
    {controlid::flxLog, "flxLog", true},
};

Win32MainWindow* self(HWND window) {
  return reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::wstring textOf(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

Win32MainWindow::Win32MainWindow(frmActualiza1& form, Win32Desktop& desktop)
    : form_(form), desktop_(desktop) {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  registerWindowClass(kClassName, procedure,
                      LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));

  sectionBrush_ = CreateSolidBrush(kSectionColor);
  folderBrush_ = CreateSolidBrush(kFolderColor);
  statusBrush_ = CreateSolidBrush(RGB(0, 0, 0));

  window_ = CreateWindowExW(0, kClassName, widen(frmActualiza1::kCaption).c_str(),
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                            kWindowWidthTwips / 15, 640, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
  dpi_ = static_cast<int>(GetDpiForWindow(window_));
  build();
  applyDpi(dpi_);
  // The first size at this DPI; layout follows every later one.
  SetWindowPos(window_, nullptr, 0, 0, MulDiv(kWindowWidthTwips / 15, dpi_, 96),
               MulDiv(640, dpi_, 96), SWP_NOMOVE | SWP_NOZORDER);
  desktop_.setParentWindow(window_);

  form_.SSTab1.addListener([this] {
    TabCtrl_SetCurSel(tabs_, form_.SSTab1.Tab());
    showPage(form_.SSTab1.Tab());
  });
  showPage(form_.SSTab1.Tab());
  form_.showWindow = [this] {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    desktop_.doEvents();
  };
  form_.showPicker = [this](frmPath& picker) {
    Win32PickerDialog dialog(picker, window_);
    dialog.exec();
  };
  form_.closeWindow = [this] { PostMessageW(window_, WM_CLOSE, 0, 0); };
}

Win32MainWindow::~Win32MainWindow() {
  form_.showWindow = nullptr;
  form_.showPicker = nullptr;
  form_.closeWindow = nullptr;
  desktop_.setParentWindow(nullptr);
  grids_.clear();
  if (IsWindow(window_))
    DestroyWindow(window_);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(boldFont_),
                         static_cast<HGDIOBJ>(sectionBrush_), static_cast<HGDIOBJ>(folderBrush_),
                         static_cast<HGDIOBJ>(statusBrush_)}) {
    if (object != nullptr)
      DeleteObject(object);
  }
}

HWND Win32MainWindow::add(int page, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                          int id, DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, 0, 0, 10, 10,
                                 window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  placed_.push_back({control, page});
  return control;
}

void Win32MainWindow::label(int page, const wchar_t* text) {
  add(page, WC_STATICW, text, SS_LEFT | SS_CENTERIMAGE,
      controlid::firstLabel + static_cast<int>(placed_.size()));
}

void Win32MainWindow::sectionBar(int page, const wchar_t* text) {
  const std::wstring padded = std::wstring(L" ") + text;
  HWND bar = add(page, WC_STATICW, padded.c_str(), SS_LEFT | SS_CENTERIMAGE,
                 controlid::firstLabel + static_cast<int>(placed_.size()));
  // The space only sets the text off the bar's edge.
  setAccessibleName(bar, text);
  sections_.push_back(bar);
}

void Win32MainWindow::textBox(int page, TextBox& box, int id, std::function<void()> validate) {
  HWND edit =
      add(page, WC_EDITW, widen(box.Text()).c_str(),
          WS_TABSTOP | ES_AUTOHSCROLL | (box.Locked() ? ES_READONLY : 0), id, WS_EX_CLIENTEDGE);
  boxes_[id] = &box;
  box.addListener([this, edit, &box] { showText(edit, box); });
  if (validate)
    validations_[id] = std::move(validate);
}

void Win32MainWindow::showText(HWND edit, const TextBox& box) {
  const std::wstring text = widen(box.Text());
  writing_ = true;
  if (textOf(edit) != text)
    SetWindowTextW(edit, text.c_str());
  SendMessageW(edit, EM_SETREADONLY, box.Locked(), 0);
  writing_ = false;
}

void Win32MainWindow::checkBox(int page, CheckBox& box, int id, const wchar_t* text) {
  HWND check = add(page, WC_BUTTONW, text, WS_TABSTOP | BS_AUTOCHECKBOX, id);
  Button_SetCheck(check, box.Value() == 1 ? BST_CHECKED : BST_UNCHECKED);
  checks_[id] = &box;
  box.addListener(
      [check, &box] { Button_SetCheck(check, box.Value() == 1 ? BST_CHECKED : BST_UNCHECKED); });
}

void Win32MainWindow::button(int page, int id, const wchar_t* text, std::function<void()> click) {
  boldButtons_.push_back(add(page, WC_BUTTONW, text, WS_TABSTOP | BS_PUSHBUTTON, id));
  clicks_[id] = std::move(click);
}

void Win32MainWindow::gridView(int page, Grid& grid, int id, int rowHeightTwips) {
  auto view = std::make_unique<ListViewGrid>(grid, window_, id, rowHeightTwips);
  placed_.push_back({view->handle(), page});
  grids_[id] = std::move(view);
}

void Win32MainWindow::build() {
  using namespace controlid;
  tabs_ = add(EveryPage, WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | WS_TABSTOP, SSTab1);
  for (int i = 0; i < 4; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabCaptions[i]);
    TabCtrl_InsertItem(tabs_, i, &item);
  }
  add(EveryPage, WC_STATICW, L"", SS_OWNERDRAW, iLogo);
  textBox(EveryPage, form_.txtEstado, txtEstado);

  sectionBar(General, L"Directorios");
  label(General, L"Fendal");
  textBox(General, form_.txtDirFD, txtDirFD, [this] { form_.txtDirFD_Validate(); });
  add(General, WC_BUTTONW, L"...", WS_TABSTOP | BS_PUSHBUTTON, cmdRaiz);
  clicks_[cmdRaiz] = [this] { form_.cmdRaiz_Click(); };
  struct Module {
    const wchar_t* caption;
    TextBox& word;
    int wordId;
    TextBox& folder;
    int folderId;
    std::function<void()> validate;
  };
  const Module modules[] = {
      {L"Comercial", form_.txtCom, txtCom, form_.txtDirCom, txtDirCom,
       [this] { form_.txtCom_Validate(); }},
      {L"Contabilidad", form_.txtCon, txtCon, form_.txtDirCon, txtDirCon,
       [this] { form_.txtCon_Validate(); }},
      {L"CRM", form_.txtCRM, txtCRM, form_.txtDirCRM, txtDirCRM,
       [this] { form_.txtCRM_Validate(); }},
      {L"MRP", form_.txtMRP, txtMRP, form_.txtDirMRP, txtDirMRP,
       [this] { form_.txtMRP_Validate(); }},
      {L"INI", form_.txtIni, txtIni, form_.txtDirIni, txtDirIni,
       [this] { form_.txtIni_Validate(); }},
  };
  for (const Module& module : modules) {
    label(General, module.caption);
    textBox(General, module.word, module.wordId, module.validate);
    textBox(General, module.folder, module.folderId);
  }
  sectionBar(General, L"Bases");
  label(General, L"Servidor");
  textBox(General, form_.txtServidor, txtServidor, [this] { form_.txtServidor_Validate(); });
  gridView(General, form_.flxBases, flxBases, kBasesRowTwips);

  label(Descomprimir, L"Paquetes");
  gridView(Descomprimir, form_.flxRar, flxRar, kGridRowTwips);
  button(Descomprimir, cmdDes, L"Descomprimir", [this] { form_.cmdDes_Click(); });

  label(Actualizar, L"Archivos");
  gridView(Actualizar, form_.flxFile, flxFile, kGridRowTwips);
  label(Actualizar, L"Scripts");
  gridView(Actualizar, form_.flxScrp, flxScrp, kGridRowTwips);
  checkBox(Actualizar, form_.chkFiles, chkFiles, L"Bajar Archivos");
  checkBox(Actualizar, form_.chkComandos, chkComandos, L"Ejecutar cfd");
  checkBox(Actualizar, form_.chkScripts, chkScripts, L"Ejecutar Scripts");
  button(Actualizar, cmdAct, L"Actualizar", [this] { form_.cmdAct_Click(); });

  label(Resultados, L"Logs");
  gridView(Resultados, form_.flxLog, flxLog, kGridRowTwips);
  for (const auto& named : kNamedControls) {
    if (named.readByName)
      setAccessibleName(control(named.id), widen(named.name));
  }
  for (const ControlDescription& described : windowControls()) {
    if (HWND widget = controlNamed(described.name))
      described_[GetDlgCtrlID(widget)] = &described;
  }
  form_.addAvailabilityListener([this] { showAvailability(); });
  showAvailability();
  // The pages' controls lie over the tab control.
  SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ShowWindow(tabs_, SW_SHOW);
}

HWND Win32MainWindow::controlNamed(std::string_view name) const {
  for (const auto& named : kNamedControls) {
    if (named.name == name)
      return control(named.id);
  }
  return nullptr;
}

bool Win32MainWindow::available(int id) const {
  const auto described = described_.find(id);
  return described == described_.end() || form_.available(*described->second);
}

void Win32MainWindow::showAvailability() {
  const bool busy = form_.busy.Value();
  if (busy && focusBeforeBusy_ == nullptr)
    focusBeforeBusy_ = GetFocus();
  for (const auto& [id, described] : described_)
    EnableWindow(control(id), form_.available(*described));
  if (!busy && focusBeforeBusy_ != nullptr) {
    // Disabling the control that had the keyboard focus took it away.
    if (GetFocus() == nullptr && IsWindowEnabled(focusBeforeBusy_))
      SetFocus(focusBeforeBusy_);
    focusBeforeBusy_ = nullptr;
  }
}

void Win32MainWindow::showPage(int page) {
  for (const Placed& placed : placed_) {
    if (placed.page != EveryPage)
      ShowWindow(placed.control, placed.page == page ? SW_SHOW : SW_HIDE);
    else
      ShowWindow(placed.control, SW_SHOW);
  }
}

void Win32MainWindow::applyDpi(int dpi) {
  dpi_ = dpi;
  for (HFONT font : {font_, boldFont_}) {
    if (font != nullptr)
      DeleteObject(font);
  }
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                             static_cast<UINT>(dpi));
  font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  metrics.lfMessageFont.lfWeight = FW_BOLD;
  boldFont_ = CreateFontIndirectW(&metrics.lfMessageFont);
  for (const Placed& placed : placed_)
    SendMessageW(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  for (HWND control : sections_)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), FALSE);
  for (HWND control : boldButtons_)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), FALSE);
  for (auto& [id, view] : grids_)
    view->setDpi(dpi);
  layout();
}

void Win32MainWindow::layout() {
  using namespace controlid;
  if (tabs_ == nullptr)
    return;  // still being made
  RECT client;
  GetClientRect(window_, &client);
  const auto px = [this](int pixels96) { return MulDiv(pixels96, dpi_, 96); };
  const int margin = px(6);
  const int lineHeight = px(23);
  const int gap = px(6);
  const auto place = [](HWND control, int x, int y, int w, int h) {
    SetWindowPos(control, nullptr, x, y, std::max(w, 0), std::max(h, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  };
  const int width = client.right - 2 * margin;
  const int statusTop = client.bottom - margin - lineHeight;
  place(control(txtEstado), margin, statusTop, width, lineHeight);
  place(tabs_, margin, margin, width, statusTop - gap - margin);
  place(control(iLogo), client.right - margin - px(44), margin, px(40), px(40));

  RECT page{margin, margin, margin + width, statusTop - gap};
  TabCtrl_AdjustRect(tabs_, FALSE, &page);
  const int left = page.left + gap;
  const int right = page.right - gap;
  const int top = page.top + gap;
  const int bottom = page.bottom - gap;
  const int labelWidth = px(90);

  // The controls of each page in the order they were made.
  std::map<int, std::vector<HWND>> byPage;
  for (const Placed& placed : placed_) {
    if (placed.page != EveryPage)
      byPage[placed.page].push_back(placed.control);
  }
  // General: section bar, the root row, five module rows, section bar, server row, grid.
  {
    const std::vector<HWND>& c = byPage[General];
    int y = top;
    std::size_t i = 0;
    place(c[i++], left, y, right - left, lineHeight);
    y += lineHeight + gap;
    place(c[i++], left, y, labelWidth, lineHeight);
    place(c[i++], left + labelWidth, y, right - left - labelWidth - px(34), lineHeight);
    place(c[i++], right - px(28), y, px(28), lineHeight);
    y += lineHeight + gap;
    for (int module = 0; module < 5; ++module) {
      place(c[i++], left, y, labelWidth, lineHeight);
      place(c[i++], left + labelWidth, y, px(140), lineHeight);
      place(c[i++], left + labelWidth + px(146), y, right - left - labelWidth - px(146),
            lineHeight);
      y += lineHeight + gap;
    }
    place(c[i++], left, y, right - left, lineHeight);
    y += lineHeight + gap;
    place(c[i++], left, y, labelWidth, lineHeight);
    place(c[i++], left + labelWidth, y, right - left - labelWidth, lineHeight);
    y += lineHeight + gap;
    place(c[i++], left, y, right - left, bottom - y);
  }
  const int buttonWidth = px(130);
  const int buttonHeight = px(30);
  // Descomprimir: label, grid, button at the bottom right.
  {
    const std::vector<HWND>& c = byPage[Descomprimir];
    place(c[0], left, top, right - left, lineHeight);
    const int gridTop = top + lineHeight;
    place(c[1], left, gridTop, right - left, bottom - buttonHeight - gap - gridTop);
    place(c[2], right - buttonWidth, bottom - buttonHeight, buttonWidth, buttonHeight);
  }
  // Actualizar: two labelled grids sharing the height 3 to 2, then check boxes and the button.
  {
    const std::vector<HWND>& c = byPage[Actualizar];
    const int gridsHeight = bottom - buttonHeight - gap - top - 2 * lineHeight - gap;
    const int filesHeight = gridsHeight * 3 / 5;
    int y = top;
    place(c[0], left, y, right - left, lineHeight);
    y += lineHeight;
    place(c[1], left, y, right - left, filesHeight);
    y += filesHeight + gap;
    place(c[2], left, y, right - left, lineHeight);
    y += lineHeight;
    place(c[3], left, y, right - left, gridsHeight - filesHeight);
    const int row = bottom - buttonHeight;
    for (int check = 0; check < 3; ++check)
      place(c[4 + check], left + check * px(150), row, px(145), buttonHeight);
    place(c[7], right - buttonWidth, row, buttonWidth, buttonHeight);
  }
  // Resultados: label and grid.
  {
    const std::vector<HWND>& c = byPage[Resultados];
    place(c[0], left, top, right - left, lineHeight);
    place(c[1], left, top + lineHeight, right - left, bottom - top - lineHeight);
  }
}

void Win32MainWindow::drawLogo(const DRAWITEMSTRUCT& item) const {
  // Our own mark: a blue rounded square with the letters FD and a green arrow rising from it.
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const int size = r.right - r.left;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  HBRUSH blue = CreateSolidBrush(RGB(28, 68, 140));
  HGDIOBJ oldBrush = SelectObject(dc, blue);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  RoundRect(dc, r.left, r.top, r.right, r.bottom, size / 3, size / 3);
  LOGFONTW font{};
  font.lfHeight = -size * 4 / 10;
  font.lfWeight = FW_BOLD;
  wcscpy(font.lfFaceName, L"Tahoma");
  HFONT letters = CreateFontIndirectW(&font);
  HGDIOBJ oldFont = SelectObject(dc, letters);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT text{r.left, r.top + size / 8, r.left + size * 72 / 100, r.bottom};
  DrawTextW(dc, L"FD", 2, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  const int x = r.left + size * 78 / 100;
  const POINT arrow[] = {{x, r.top + size * 18 / 100},
                         {x + size * 14 / 100, r.top + size * 40 / 100},
                         {x + size * 5 / 100, r.top + size * 40 / 100},
                         {x + size * 5 / 100, r.top + size * 80 / 100},
                         {x - size * 5 / 100, r.top + size * 80 / 100},
                         {x - size * 5 / 100, r.top + size * 40 / 100},
                         {x - size * 14 / 100, r.top + size * 40 / 100}};
  HBRUSH green = CreateSolidBrush(RGB(120, 220, 120));
  SelectObject(dc, green);
  Polygon(dc, arrow, 7);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(letters);
  DeleteObject(green);
  DeleteObject(blue);
}

bool Win32MainWindow::load() {
  bool loaded = false;
  return run([&] { loaded = form_.Form_Load(); }) && loaded;
}

bool Win32MainWindow::run(const std::function<void()>& event) {
  try {
    event();
    return true;
  } catch (const std::exception& error) {
    form_.services.desktop.msgBox(error.what(), msgbox::kCritical, "");
    return false;
  }
}

void Win32MainWindow::close() {
  if (!form_.Form_QueryUnload())
    return;
  form_.Form_Unload();
  DestroyWindow(window_);
}

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
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(statusBrush_);
      }
      if (id == controlid::txtDirCom || id == controlid::txtDirCon || id == controlid::txtDirCRM ||
          id == controlid::txtDirMRP || id == controlid::txtDirIni) {
        SetBkColor(dc, kFolderColor);
        return reinterpret_cast<LRESULT>(folderBrush_);
      }
      if (std::find(sections_.begin(), sections_.end(), control) != sections_.end()) {
        SetBkColor(dc, kSectionColor);
        return reinterpret_cast<LRESULT>(sectionBrush_);
      }
      break;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == controlid::iLogo) {
        drawLogo(*item);
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
