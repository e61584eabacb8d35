#pragma once

#include <span>
#include <string_view>

namespace fd {

class CheckBox;
class Grid;
class TextBox;
class frmActualiza1;

// The window as both views lay it out, written once: its pages, the texts beside its controls,
// the rows of the General page, its sizes, colours and logo. Each view places and draws its own
// widgets from it; which controls an operation greys out is windowControls().
namespace layout {

// One of the window's events, run on its form.
using Event = void (*)(frmActualiza1&);

// SSTab1's pages, in the order of their tabs.
enum Page : int { General, Descomprimir, Actualizar, Resultados, PageCount };
// The captions of the pages, spaces included.
std::string_view pageCaption(int page);

// The General page: a section bar over the root folder's row (with cmdRaiz) and the module rows,
// then a section bar over the server's row and the database grid.
inline constexpr std::string_view kFoldersSection = "Directorios";
inline constexpr std::string_view kRootCaption = "Fendal";
inline constexpr std::string_view kServersSection = "Bases";
inline constexpr std::string_view kServerCaption = "Servidor";
// cmdRaiz opens the folder picker, whose caption tells what it does.
inline constexpr std::string_view kPickTip = "Seleccionar carpeta";

// A module's row: its caption, the word box the user edits and the folder box it fills.
struct ModuleRow {
  std::string_view caption;
  std::string_view wordName;
  TextBox frmActualiza1::*word;
  std::string_view folderName;
  TextBox frmActualiza1::*folder;
  Event validate;
};
std::span<const ModuleRow> moduleRows();

// A grid under its caption (none for flxBases, under the server's row); the grids of a page
// share its height in proportion to their shares.
struct GridPlace {
  Page page;
  std::string_view caption;
  std::string_view name;
  Grid frmActualiza1::*grid;
  int rowHeightTwips;
  int share;
};
std::span<const GridPlace> grids();

// The row under a page's grids: its check boxes from the left, its button at the right.
struct CheckPlace {
  Page page;
  std::string_view name;
  std::string_view text;
  CheckBox frmActualiza1::*box;
};
std::span<const CheckPlace> checkBoxes();
struct ButtonPlace {
  Page page;
  std::string_view name;
  std::string_view text;
  Event click;
};
std::span<const ButtonPlace> buttons();

// Sizes: the form's in twips (15 to a pixel at 96 DPI), the window's height in pixels.
inline constexpr int kWindowWidthTwips = 14600;
inline constexpr int kWindowHeight = 640;
inline constexpr int kPickerWidthTwips = 4740;
inline constexpr int kPickerHeightTwips = 4455;
// The module rows' word boxes and the bottom row's buttons, in pixels at 96 DPI.
inline constexpr int kWordBoxWidth = 140;
inline constexpr int kButtonWidth = 130;

struct Rgb {
  int red, green, blue;
};
inline constexpr Rgb kSectionColor{192, 255, 192};
// The module rows' folder boxes, which only the program fills.
inline constexpr Rgb kFolderColor{224, 224, 224};
// txtEstado: white on black.
inline constexpr Rgb kStatusText{255, 255, 255};
inline constexpr Rgb kStatusBack{0, 0, 0};

// iLogo, our own mark: a blue rounded square with the letters FD and a green arrow rising from
// it. Positions are hundredths of the side.
struct LogoPoint {
  int x, y;
};
struct Logo {
  int side;  // pixels at 96 DPI
  int cornerRadius;
  Rgb square;
  int letterHeight;
  LogoPoint lettersTopLeft, lettersBottomRight;
  Rgb arrowColor;
  LogoPoint arrow[7];
};
const Logo& logo();

}  // namespace layout
}  // namespace fd
