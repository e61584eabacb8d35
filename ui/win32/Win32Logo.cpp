#include "ui/win32/Win32Logo.h"

#include <cwchar>
#include <iterator>
#include <type_traits>

#include "ui/win32/Win32Color.h"
#include "window/WindowLayout.h"

namespace fd {

void drawLogo(HDC dc, const RECT& area) {
  const layout::Logo& logo = layout::logo();
  const int size = area.right - area.left;
  const auto at = [&](layout::LogoPoint point) {
    return POINT{area.left + size * point.x / 100, area.top + size * point.y / 100};
  };
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  HBRUSH square = CreateSolidBrush(colorOf(logo.square));
  HGDIOBJ oldBrush = SelectObject(dc, square);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  // RoundRect takes the corners' diameter.
  const int corner = 2 * size * logo.cornerRadius / 100;
  RoundRect(dc, area.left, area.top, area.right, area.bottom, corner, corner);
  LOGFONTW font{};
  font.lfHeight = -size * logo.letterHeight / 100;
  font.lfWeight = FW_BOLD;
  wcscpy(font.lfFaceName, L"Tahoma");
  HFONT letters = CreateFontIndirectW(&font);
  HGDIOBJ oldFont = SelectObject(dc, letters);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  const POINT topLeft = at(logo.lettersTopLeft);
  const POINT bottomRight = at(logo.lettersBottomRight);
  RECT text{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  DrawTextW(dc, L"FD", 2, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  POINT arrow[std::extent_v<decltype(layout::Logo::arrow)>];
  for (std::size_t i = 0; i < std::size(arrow); ++i)
    arrow[i] = at(logo.arrow[i]);
  HBRUSH green = CreateSolidBrush(colorOf(logo.arrowColor));
  SelectObject(dc, green);
  Polygon(dc, arrow, static_cast<int>(std::size(arrow)));
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(letters);
  DeleteObject(green);
  DeleteObject(square);
}

}  // namespace fd
