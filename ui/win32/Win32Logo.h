#pragma once

#include <windows.h>

namespace fd {

// Draws iLogo as the window's description gives it, filling the rectangle.
void drawLogo(HDC dc, const RECT& area);

}  // namespace fd
