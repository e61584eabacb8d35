#pragma once

#include <windows.h>

namespace fd {

// Registers a top-level window class of this program: the arrow pointer, the dialog face as its
// background, and the icon when one is given.
void registerWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon = nullptr);

}  // namespace fd
