#pragma once

#include <string>
#include <string_view>

namespace fd {

// UTF-8 texts of the program to and from the UTF-16 of the wide Win32 API (Windows hosts). Windows
// paths are used as they are: this is the only change they undergo on their way to the system.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

}  // namespace fd
