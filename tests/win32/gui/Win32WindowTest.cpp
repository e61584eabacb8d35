// The native window driven in-process as a technician would: pages chosen on the tab control,
// the server typed into its box, buttons pressed, list-view cells and ticks read back. Three real
// packages (made by the test script with mkrar, FD_TEST_PACKAGES) are extracted by the Windows
// Winrar95.exe and their files and script applied through the system's ODBC with osql.exe against
// the SQL stand-in (FD_TEST_SQL_PORT). Message boxes are answered by the scripted desktop, from
// which a test also acts while an operation is under way (its waits and its messages).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <windowsx.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "fixtures/IdleOnlyControls.h"
#include "fixtures/UpdaterFixture.h"
#include "platform/win32/Win32Text.h"
#include "ui/win32/Win32Desktop.h"
#include "ui/win32/Win32MainWindow.h"
#include "window/WindowLayout.h"
#include "window/frmPath.h"

namespace fd::test {
namespace {

namespace fs = std::filesystem;
namespace id = controlid;

// The name a screen reader reads for a control.
std::wstring accessibleName(HWND control) {
  IAccessible* accessible = nullptr;
  const HRESULT found =
      AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&accessible));
  if (FAILED(found)) {
    return L"(none: " + std::to_wstring(static_cast<unsigned long>(found)) + L")";
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::wstring result;
  if (accessible->get_accName(self, &name) == S_OK && name != nullptr) {
    result = name;
    SysFreeString(name);
  }
  accessible->Release();
  return result;
}

std::wstring textOf(HWND control) {
  wchar_t text[1024] = {};
  GetWindowTextW(control, text, 1024);
  return text;
}

// The folder picker while it is open: its lists' names, then F12 pressed on it.
struct PickerSeen {
  bool opened = false;
  std::wstring drives, folders;
};
PickerSeen pickerSeen;

// The window of this thread with that caption (none when it is closed).
HWND threadWindow(const std::wstring& caption) {
  struct Search {
    const std::wstring& caption;
    HWND found = nullptr;
  } search{caption};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM searched) {
        auto* search = reinterpret_cast<Search*>(searched);
        if (textOf(window) != search->caption)
          return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND pickerWindow() {
  return threadWindow(widen(frmPath::kCaption));
}

void CALLBACK closePickerWithF12(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND picker = pickerWindow();
  if (picker == nullptr || !IsWindowVisible(picker))
    return;
  KillTimer(nullptr, timer);
  pickerSeen.opened = true;
  HWND drives = FindWindowExW(picker, nullptr, WC_COMBOBOXW, nullptr);
  HWND folders = FindWindowExW(picker, nullptr, WC_LISTBOXW, nullptr);
  pickerSeen.drives = accessibleName(drives);
  pickerSeen.folders = accessibleName(folders);
  PostMessageW(folders, WM_KEYDOWN, VK_F12, 0);
}

// The text of the program's message box while it is up, then OK pressed on it.
std::wstring messageBoxText;

void CALLBACK answerMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = threadWindow(widen(kProgramTitle));
  if (box == nullptr || !IsWindowVisible(box))
    return;
  KillTimer(nullptr, timer);
  messageBoxText = textOf(GetDlgItem(box, 0xFFFF));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The closed window asked its thread to quit; the next test's loops must not take that up.
void forgetQuit() {
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("FD_TEST_SQL_PORT");
    const char* packages = std::getenv("FD_TEST_PACKAGES");
    if (port == nullptr || *port == '\0' || packages == nullptr || *packages == '\0') {
      GTEST_SKIP() << "no SQL stand-in or packages (FD_TEST_SQL_PORT, FD_TEST_PACKAGES)";
    }
    server_ = std::string("127.0.0.1,") + port;
    // Screen readers reach the controls through COM, as the program's own thread does.
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    // The updater's folder: the packages, Winrar95.exe, and osql.exe where SQLPath names it.
    for (const auto& item : fs::directory_iterator(fs::path(widen(packages)))) {
      fs::copy_file(item.path(), fs::path(widen(f.act())) / item.path().filename());
    }
    fs::copy_file(UpdaterFixture::builtProgram("Winrar95.exe"),
                  fs::path(widen(f.act() + "Winrar95.exe")));
    f.registerQueryTool(f.act() + "sql");
    for (const char* module : {"Contabilidad", "CRM"}) {
      fs::create_directories(fs::path(widen(f.fendal() + module)));
    }
    // The view binds to the form before its start-up.
    window_ = std::make_unique<Win32MainWindow>(f.window(), desktop_);
    form_ = &f.started();
  }
  void TearDown() override {
    window_.reset();
    forgetQuit();
    if (com_)
      CoUninitialize();
  }

  HWND control(int which) const { return window_->control(which); }
  // Chooses a page as a click on its tab does.
  void choosePage(int page) {
    TabCtrl_SetCurSel(control(id::SSTab1), page);
    NMHDR header{control(id::SSTab1), static_cast<UINT_PTR>(id::SSTab1), TCN_SELCHANGE};
    SendMessageW(window_->handle(), WM_NOTIFY, id::SSTab1, reinterpret_cast<LPARAM>(&header));
  }
  // Types into a box and leaves it for the next control, as its validation expects.
  void type(int box, const std::string& text) {
    SetForegroundWindow(window_->handle());
    SetFocus(control(box));
    SetWindowTextW(control(box), widen(text).c_str());
    SetFocus(control(id::SSTab1));
  }
  void press(int button) {
    ASSERT_TRUE(IsWindowEnabled(control(button)));
    SendMessageW(control(button), BM_CLICK, 0, 0);
  }
  // The cells of a list view, each row's cells in the grid's column order.
  std::vector<std::vector<std::string>> cells(int grid, int firstCol = 1) {
    ListViewGrid& view = window_->grid(grid);
    const Grid& model = gridOf(grid);
    std::vector<std::vector<std::string>> rows;
    for (int item = 0; item < ListView_GetItemCount(view.handle()); ++item) {
      std::vector<std::string> row;
      for (int col = firstCol; col < model.Cols(); ++col) {
        wchar_t text[512] = {};
        ListView_GetItemText(view.handle(), item, view.viewColumn(col), text, 512);
        row.push_back(narrow(text));
      }
      rows.push_back(row);
    }
    return rows;
  }
  const Grid& gridOf(int grid) const {
    switch (grid) {
      case id::flxBases:
        return form_->flxBases;
      case id::flxRar:
        return form_->flxRar;
      case id::flxFile:
        return form_->flxFile;
      case id::flxScrp:
        return form_->flxScrp;
      default:
        return form_->flxLog;
    }
  }

  UpdaterFixture f;
  Win32Desktop desktop_;
  frmActualiza1* form_ = nullptr;
  std::unique_ptr<Win32MainWindow> window_;
  std::string server_;
  bool com_ = false;
};

TEST_F(Win32WindowTest, ExtractsAndUpdatesThreePackagesFromTheWindow) {
  // The pages and their captions.
  HWND tabs = control(id::SSTab1);
  ASSERT_EQ(TabCtrl_GetItemCount(tabs), 4);
  for (int page = 0; page < 4; ++page) {
    wchar_t caption[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 64;
    TabCtrl_GetItem(tabs, page, &item);
    EXPECT_EQ(caption, widen(layout::pageCaption(page)));
  }

  // The server, typed on the first page.
  choosePage(0);
  type(id::txtServidor, server_);
  EXPECT_EQ(form_->txtServidor.Text(), server_);
  const auto bases = cells(id::flxBases, 1);
  ASSERT_FALSE(bases.empty());
  HWND basesView = window_->grid(id::flxBases).handle();
  int ticked = 0;
  for (int item = 0; item < static_cast<int>(bases.size()); ++item) {
    const bool check = ListView_GetCheckState(basesView, item) != 0;
    EXPECT_EQ(check, form_->flxBases.CellChecked(item + 1, 2) == kChecked) << bases[item][0];
    ticked += check ? 1 : 0;
  }
  EXPECT_GE(ticked, 1);

  // The packages, found at start-up, extracted by the Windows Winrar95.exe.
  choosePage(1);
  EXPECT_EQ(form_->SSTab1.Tab(), 1);
  const auto packages = cells(id::flxRar, 1);
  ASSERT_EQ(packages.size(), 3u);
  EXPECT_EQ(packages[0][0], "COMERCIAL_5_2_7_prueba.rar");
  press(id::cmdDes);
  for (const char* folder :
       {"COMERCIAL_5_2_7_prueba", "CONTABILIDAD_3_1_0_prueba", "CRM_1_9_3_prueba"}) {
    EXPECT_TRUE(f.exists(f.act() + folder + "\\info.txt")) << folder;
  }

  // The update: files to their modules, the script through osql.exe.
  choosePage(2);
  press(id::cmdAct);
  const auto files = cells(id::flxFile, 1);
  ASSERT_EQ(files.size(), 3u);
  for (int row = 1; row < form_->flxFile.Rows(); ++row) {
    EXPECT_EQ(form_->flxFile.CellBackColor(row, 1), colors::kLightGreen) << files[row - 1][0];
  }
  EXPECT_TRUE(f.exists(f.fendal() + "CRM\\Leeme.txt"));
  const auto scripts = cells(id::flxScrp, 1);
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(form_->flxScrp.CellBackColor(1, 1), colors::kLightGreen) << scripts[0][0];

  // The log, as the last page shows it and as the file holds it.
  choosePage(3);
  const std::vector<std::string> log = f.logTexts();
  for (const std::string& milestone :
       {std::string(" Cargar Paquetes"), std::string(" Descomprimir"), std::string(" Actualizar"),
        std::string(" Ejecutar scripts"), std::string(" FIN Actualizar")}) {
    EXPECT_NE(std::find(log.begin(), log.end(), milestone), log.end()) << milestone;
  }
  EXPECT_FALSE(cells(id::flxLog, 0).empty());
  EXPECT_TRUE(f.desktop.boxes.empty() || f.desktop.boxes.size() <= 2);
}

TEST_F(Win32WindowTest, ControlsCarryTheNamesOfTheQtView) {
  const struct {
    int control;
    const wchar_t* name;
  } named[] = {
      {id::txtDirFD, L"txtDirFD"},       {id::txtServidor, L"txtServidor"},
      {id::txtEstado, L"txtEstado"},     {id::flxBases, L"flxBases"},
      {id::flxLog, L"flxLog"},           {id::iLogo, L"iLogo"},
      {id::cmdRaiz, L"cmdRaiz"},         {id::cmdAct, L"Actualizar"},
      {id::chkFiles, L"Bajar Archivos"},
  };
  for (const auto& [control, name] : named) {
    EXPECT_EQ(accessibleName(this->control(control)), name) << narrow(name);
  }
}

TEST_F(Win32WindowTest, TheFolderPickerClosesWithF12) {
  choosePage(0);
  pickerSeen = {};
  const std::string folder = form_->txtDirFD.Text();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, closePickerWithF12);
  press(id::cmdRaiz);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(pickerSeen.opened);
  EXPECT_EQ(pickerWindow(), nullptr);
  EXPECT_EQ(pickerSeen.drives, L"Drive1");
  EXPECT_EQ(pickerSeen.folders, L"Dir1");
  // Closed where it opened, the picker leaves the folder as it was.
  EXPECT_EQ(form_->txtDirFD.Text(), folder);
}

// What an operation under way must leave alone, tried from within it (at its first wait, then at
// its first message): the controls greyed out, a stage box clicked, another server typed in and
// the window's close box pressed.
struct BusyCase {
  const char* name;
  int page;
  int button;
  // Whether the operation is the update, which ends with the script run.
  bool updates;
  friend void PrintTo(const BusyCase& busy, std::ostream* out) { *out << busy.name; }
};

class Win32BusyWindowTest : public Win32WindowTest,
                            public ::testing::WithParamInterface<BusyCase> {};

TEST_P(Win32BusyWindowTest, NothingChangesUntilTheOperationEndsThenTheWindowCloses) {
  const BusyCase& busy = GetParam();
  choosePage(0);
  type(id::txtServidor, server_);
  if (busy.button == id::cmdAct) {
    choosePage(1);
    press(id::cmdDes);
  } else {
    // A sound archive that is no package: it extracts whole, then reading its missing manifest
    // waits between attempts and says it could not.
    std::ifstream archive(fs::path(FD_TESTDATA_DIR) / "rar" / "test_read_format_rar5_stored.rar",
                          std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(archive), {}};
    ASSERT_FALSE(bytes.empty());
    f.writeFile(f.act() + "MRP_1_0_0_sininfo.rar", bytes);
    form_->CargarPaquetes();
  }
  const HWND window = window_->handle();
  const long validations = f.logCount(" Cambio de SERVIDOR");
  int rounds = 0;
  f.desktop.onEvents = [&] {
    if (rounds++ > 0)
      return;
    for (std::string_view name : kIdleOnlyControls)
      EXPECT_FALSE(IsWindowEnabled(window_->controlNamed(name))) << name;
    SendMessageW(control(id::chkScripts), BM_CLICK, 0, 0);
    type(id::txtServidor, "otro");
  };
  int closes = 0;
  f.desktop.onBox = [&] {
    if (closes++ == 0)
      SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  };
  choosePage(busy.page);
  press(busy.button);
  f.desktop.onEvents = nullptr;
  f.desktop.onBox = nullptr;

  EXPECT_GT(rounds, 0);
  EXPECT_GT(closes, 0);
  EXPECT_EQ(form_->chkScripts.Value(), 1);
  EXPECT_EQ(Button_GetCheck(control(id::chkScripts)), BST_CHECKED);
  EXPECT_EQ(form_->txtServidor.Text(), server_);
  EXPECT_EQ(narrow(textOf(control(id::txtServidor))), server_);
  EXPECT_EQ(f.logCount(" Cambio de SERVIDOR"), validations);
  EXPECT_EQ(form_->flxFile.Rows(), 4);
  EXPECT_EQ(f.logHas(" FIN Actualizar"), busy.updates);
  EXPECT_EQ(form_->flxScrp.CellBackColor(1, 1) == colors::kLightGreen, busy.updates);
  // Available again once the operation has ended, the window closes as asked.
  EXPECT_TRUE(IsWindowEnabled(control(id::txtServidor)));
  EXPECT_TRUE(IsWindowEnabled(control(id::chkScripts)));
  ASSERT_TRUE(IsWindow(window));
  desktop_.doEvents();
  EXPECT_FALSE(IsWindow(window));
}

INSTANTIATE_TEST_SUITE_P(Operations, Win32BusyWindowTest,
                         ::testing::Values(BusyCase{"Extraction", 1, id::cmdDes, false},
                                           BusyCase{"Run", 2, id::cmdAct, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A start-up that cannot create its log says why in a box and, as the Qt build does, on standard
// error; the program then ends.
TEST(Win32WindowStartUp, ALogThatCannotBeCreatedIsToldInABoxAndOnStandardError) {
  UpdaterFixture f;
  f.clock.setNow({2026, 12, 8, 6, 1, 0});
  const std::string log = f.act() + "ACT_202612861.log";
  // A folder in the log's place cannot be opened as a file.
  f.makeFolder(log);
  const fs::path errors = f.host(f.root() + "errores.txt");
  HANDLE file = CreateFileW(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
  bool loaded = true;
  {
    Win32Desktop desktop;
    frmActualiza1 form(f.services(desktop));
    Win32MainWindow window(form, desktop);
    SetStdHandle(STD_ERROR_HANDLE, file);
    messageBoxText.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, answerMessageBox);
    loaded = window.load();
    KillTimer(nullptr, timer);
    SetStdHandle(STD_ERROR_HANDLE, standardError);
  }
  forgetQuit();
  CloseHandle(file);
  EXPECT_FALSE(loaded);
  const std::string told = narrow(messageBoxText);
  EXPECT_EQ(told.find("No se pudo crear el archivo de log " + log + ". Mensaje: ("), 0u) << told;
  EXPECT_EQ(f.readFile(f.root() + "errores.txt"), told + "\r\n");
}

}  // namespace
}  // namespace fd::test
