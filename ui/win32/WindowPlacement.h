#pragma once

#include <windows.h>

#include <map>

namespace fd {

// Where the window's controls lie, keyed by control id, computed from the window's description:
// adding a control to a page moves only the controls its row or page shares.
using Placement = std::map<int, RECT>;

// The frame at that DPI: the tab control, the status box under it and the logo at its top right.
Placement placeFrame(const RECT& client, int dpi);
// The pages' controls inside the tab control's page area (all four pages share it).
Placement placePages(const RECT& page, int dpi);

}  // namespace fd
