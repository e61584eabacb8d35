#include "ui/win32/Win32MainWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/win32/Win32Text.h"
#include "ui/win32/AccessibleName.h"
#include "ui/win32/Win32Color.h"
#include "ui/win32/Win32Desktop.h"
#include "ui/win32/Win32PickerDialog.h"
#include "ui/win32/WindowClass.h"
#include "ui/win32/WindowPlacement.h"
#include "window/WindowControls.h"
#include "window/WindowLayout.h"
#include "window/frmActualiza1.h"
#include "window/frmPath.h"

namespace fd {

namespace {

constexpr const wchar_t* kClassName = L"ActualizadorFD";
constexpr int EveryPage = -1;

}  // namespace

std::wstring Win32MainWindow::textOf(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

Win32MainWindow::Win32MainWindow(frmActualiza1& form, Win32Desktop& desktop)
    : form_(form), desktop_(desktop) {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  registerWindowClass(kClassName, procedure,
                      LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));

  sectionBrush_ = CreateSolidBrush(colorOf(layout::kSectionColor));
  folderBrush_ = CreateSolidBrush(colorOf(layout::kFolderColor));
  statusBrush_ = CreateSolidBrush(colorOf(layout::kStatusBack));

  window_ = CreateWindowExW(0, kClassName, widen(frmActualiza1::kCaption).c_str(),
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                            layout::kWindowWidthTwips / 15, layout::kWindowHeight, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
  dpi_ = static_cast<int>(GetDpiForWindow(window_));
  build();
  applyDpi(dpi_);
  // The first size at this DPI; layout follows every later one.
  SetWindowPos(window_, nullptr, 0, 0, MulDiv(layout::kWindowWidthTwips / 15, dpi_, 96),
               MulDiv(layout::kWindowHeight, dpi_, 96), SWP_NOMOVE | SWP_NOZORDER);
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

HWND Win32MainWindow::add(int page, const wchar_t* windowClass, std::string_view text, DWORD style,
                          int id, DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, windowClass, widen(text).c_str(), WS_CHILD | style, 0, 0,
                                 10, 10, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  pages_[id] = page;
  return control;
}

void Win32MainWindow::caption(int page, int id, std::string_view text) {
  add(page, WC_STATICW, text, SS_LEFT | SS_CENTERIMAGE, controlid::captionOf(id));
}

void Win32MainWindow::sectionBar(int page, int id, std::string_view text) {
  HWND bar = add(page, WC_STATICW, " " + std::string(text), SS_LEFT | SS_CENTERIMAGE, id);
  // The space only sets the text off the bar's edge.
  setAccessibleName(bar, widen(text));
  sections_.push_back(bar);
}

void Win32MainWindow::textBox(int page, TextBox& box, int id, std::function<void()> validate) {
  HWND edit =
      add(page, WC_EDITW, box.Text(),
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

void Win32MainWindow::checkBox(int page, CheckBox& box, int id, std::string_view text) {
  HWND check = add(page, WC_BUTTONW, text, WS_TABSTOP | BS_AUTOCHECKBOX, id);
  Button_SetCheck(check, box.Value() == 1 ? BST_CHECKED : BST_UNCHECKED);
  checks_[id] = &box;
  box.addListener(
      [check, &box] { Button_SetCheck(check, box.Value() == 1 ? BST_CHECKED : BST_UNCHECKED); });
}

void Win32MainWindow::button(int page, int id, std::string_view text, std::function<void()> click) {
  boldButtons_.push_back(add(page, WC_BUTTONW, text, WS_TABSTOP | BS_PUSHBUTTON, id));
  clicks_[id] = std::move(click);
}

void Win32MainWindow::gridView(int page, Grid& grid, int id, int rowHeightTwips) {
  auto view = std::make_unique<ListViewGrid>(grid, window_, id, rowHeightTwips);
  pages_[id] = page;
  grids_[id] = std::move(view);
}

void Win32MainWindow::build() {
  using namespace controlid;
  tabs_ = add(EveryPage, WC_TABCONTROLW, "", WS_CLIPSIBLINGS | WS_TABSTOP, SSTab1);
  for (int page = 0; page < layout::PageCount; ++page) {
    std::wstring text = widen(layout::pageCaption(page));
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    TabCtrl_InsertItem(tabs_, page, &item);
  }
  add(EveryPage, WC_STATICW, "", SS_OWNERDRAW, iLogo);
  textBox(EveryPage, form_.txtEstado, txtEstado);
  buildGeneral();
  buildPages();
  for (const NamedControl& entry : namedControls()) {
    if (entry.readByName)
      setAccessibleName(control(entry.id), widen(entry.name));
  }
  for (const ControlDescription& described : windowControls()) {
    if (const int id = controlid::named(described.name); id != 0 && control(id) != nullptr)
      described_[id] = &described;
  }
  form_.addAvailabilityListener([this] { showAvailability(); });
  showAvailability();
  // The pages' controls lie over the tab control.
  SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ShowWindow(tabs_, SW_SHOW);
}

void Win32MainWindow::buildGeneral() {
  using namespace controlid;
  const int page = layout::General;
  sectionBar(page, sectionDirectorios, layout::kFoldersSection);
  caption(page, txtDirFD, layout::kRootCaption);
  textBox(page, form_.txtDirFD, txtDirFD, [this] { form_.txtDirFD_Validate(); });
  add(page, WC_BUTTONW, "...", WS_TABSTOP | BS_PUSHBUTTON, cmdRaiz);
  clicks_[cmdRaiz] = [this] { form_.cmdRaiz_Click(); };
  for (const layout::ModuleRow& module : layout::moduleRows()) {
    const int word = named(module.wordName);
    caption(page, word, module.caption);
    textBox(page, form_.*module.word, word,
            [this, validate = module.validate] { validate(form_); });
    textBox(page, form_.*module.folder, named(module.folderName));
  }
  sectionBar(page, sectionBases, layout::kServersSection);
  caption(page, txtServidor, layout::kServerCaption);
  textBox(page, form_.txtServidor, txtServidor, [this] { form_.txtServidor_Validate(); });
  for (const layout::GridPlace& place : layout::grids()) {
    if (place.page == page)
      gridView(page, form_.*place.grid, named(place.name), place.rowHeightTwips);
  }
}

void Win32MainWindow::buildPages() {
  using namespace controlid;
  for (int page = layout::Descomprimir; page < layout::PageCount; ++page) {
    for (const layout::GridPlace& place : layout::grids()) {
      if (place.page != page)
        continue;
      const int id = named(place.name);
      caption(page, id, place.caption);
      gridView(page, form_.*place.grid, id, place.rowHeightTwips);
    }
    for (const layout::CheckPlace& place : layout::checkBoxes()) {
      if (place.page == page)
        checkBox(page, form_.*place.box, named(place.name), place.text);
    }
    for (const layout::ButtonPlace& place : layout::buttons()) {
      if (place.page == page)
        button(page, named(place.name), place.text, [this, click = place.click] { click(form_); });
    }
  }
}

HWND Win32MainWindow::controlNamed(std::string_view name) const {
  const int id = controlid::named(name);
  return id == 0 ? nullptr : control(id);
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
  for (const auto& [id, controlPage] : pages_)
    ShowWindow(control(id), controlPage == EveryPage || controlPage == page ? SW_SHOW : SW_HIDE);
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
  for (const auto& [id, page] : pages_)
    SendMessageW(control(id), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  for (HWND control : sections_)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), FALSE);
  for (HWND control : boldButtons_)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), FALSE);
  for (auto& [id, view] : grids_)
    view->setDpi(dpi);
  layout();
}

void Win32MainWindow::layout() {
  if (tabs_ == nullptr)
    return;  // still being made
  RECT client;
  GetClientRect(window_, &client);
  Placement placement = placeFrame(client, dpi_);
  RECT page = placement.at(controlid::SSTab1);
  TabCtrl_AdjustRect(tabs_, FALSE, &page);
  placement.merge(placePages(page, dpi_));
  for (const auto& [id, rect] : placement) {
    SetWindowPos(control(id), nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

bool Win32MainWindow::load() {
  return form_.loadEvent();
}

bool Win32MainWindow::run(const std::function<void()>& event) {
  return form_.runEvent(event);
}

void Win32MainWindow::close() {
  if (!form_.Form_QueryUnload())
    return;
  form_.Form_Unload();
  DestroyWindow(window_);
}

}  // namespace fd
