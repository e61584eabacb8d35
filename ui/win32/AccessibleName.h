#pragma once

#include <windows.h>

#include <string>

namespace fd {

// Gives a control the name screen readers read for it where its window text is not that name (an
// edit's text is its content, a list view or a picture has none): the control's standard
// accessible object answers for it, with this name. The Qt view names the same controls alike.
// Once per control: the name stays until the control is destroyed.
void setAccessibleName(HWND control, std::wstring name);

}  // namespace fd
