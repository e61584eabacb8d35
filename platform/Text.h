#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fd {

// Text helpers over UTF-8 strings. Case mapping covers ASCII and the Latin-1 letters (á, Ñ ...),
// which is what the suite's names and messages use.
std::string toUpper(std::string_view text);
std::string toLower(std::string_view text);

// Removes leading and trailing spaces (spaces only: tabs are part of the text).
std::string trimSpaces(std::string_view text);

bool startsWith(std::string_view text, std::string_view prefix);
bool endsWith(std::string_view text, std::string_view suffix);
bool equalsNoCase(std::string_view a, std::string_view b);

// Replaces every occurrence of from (non-empty), left to right, without rescanning replacements.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// A number as the error texts write it: decimal, with a leading space where it has no minus sign.
std::string signedNumber(int number);

// Cuts the text at every separator; empty pieces are kept.
std::vector<std::string> splitText(std::string_view text, char separator);

// Appends a code point to UTF-8 text.
void appendUtf8(std::string& out, char32_t codePoint);
// UTF-8 text of UTF-16 code units stored as bytes, little-endian unless bigEndian; a lone
// surrogate is kept as its own code point, an odd last byte is dropped.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian = false);
// The UTF-16LE bytes of UTF-8 text; a malformed sequence becomes U+FFFD.
std::string utf8ToUtf16le(std::string_view text);

// The last n bytes of a text (all of it when shorter); for the ASCII endings the stages compare.
std::string rightBytes(std::string_view text, std::size_t n);
// The text less its last n bytes (empty when shorter).
std::string dropRightBytes(std::string_view text, std::size_t n);

// Whether Windows accepts the text as one file name: not empty, and without control characters
// or any of < > : " / \ | ? *. A host that allows more (POSIX) must not pass such a name on: it
// would split a grid row at a tab, or a command line at a quote.
bool isWindowsFileName(std::string_view name);
// The text with each control character shown as "?", for a message about such a name.
std::string printableName(std::string_view name);

}  // namespace fd
