// A POSIX host has no system code page of its own: "ANSI" is the Windows-1252 of the Spanish
// systems the suite comes from.
#include "platform/AnsiCodec.h"

namespace fd {

std::string ansiToUtf8(std::string_view ansi) {
  return windows1252ToUtf8(ansi);
}

std::string utf8ToAnsi(std::string_view utf8) {
  return utf8ToWindows1252(utf8);
}

}  // namespace fd
