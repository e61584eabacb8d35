#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fd {

// The "ANSI" text of the files the updater reads and writes: Windows-1252 on POSIX, the system's
// code page (CP_ACP) on Windows, which is Windows-1252 on the Spanish systems the suite runs on.
// Each host defines these two (posix/, win32/).
std::string ansiToUtf8(std::string_view ansi);
// Characters the code page does not hold become "?".
std::string utf8ToAnsi(std::string_view utf8);

// Windows-1252 whatever the host; characters without a Windows-1252 form become "?".
std::string windows1252ToUtf8(std::string_view text);
std::string utf8ToWindows1252(std::string_view utf8);

// Splits text at CR LF or a lone CR; a final line end does not start an empty line.
std::vector<std::string> splitTextLines(std::string_view text);
// A text file's lines from its ANSI bytes, and the bytes written for lines (each ended by CR LF),
// as both hosts read and write text files.
std::vector<std::string> ansiTextLines(std::string_view bytes);
std::string ansiTextOf(const std::vector<std::string>& lines);

// Lower-cases the letters of UTF-8 text that Windows-1252 holds (ASCII, Latin-1, Š Œ Ž Ÿ), so
// that two names can be compared without regard to letter case as Windows file names are.
std::string foldCase(std::string_view utf8);
// Names in the order folder listings give them: by folded name, ties in byte order.
void sortFolded(std::vector<std::string>& names);

}  // namespace fd
