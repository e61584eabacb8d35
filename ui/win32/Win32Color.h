#pragma once

#include <windows.h>

#include "window/WindowLayout.h"

namespace fd {

// A colour of the window's description as GDI takes it.
inline COLORREF colorOf(layout::Rgb rgb) {
  return RGB(rgb.red, rgb.green, rgb.blue);
}

}  // namespace fd
