#include "platform/win32/Win32Text.h"

#include <windows.h>

#include "platform/AnsiCodec.h"

namespace fd {

namespace {

std::wstring toWide(unsigned codePage, std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

// Characters the code page cannot hold become its default character ("?").
std::string fromWide(unsigned codePage, std::wstring_view wide) {
  if (wide.empty()) {
    return {};
  }
  const int size = static_cast<int>(wide.size());
  int length = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace

std::wstring widen(std::string_view utf8) {
  return toWide(CP_UTF8, utf8);
}

std::string narrow(std::wstring_view wide) {
  return fromWide(CP_UTF8, wide);
}

// On Windows the "ANSI" text of the files and of the registry's narrow functions is the
// system code page.
std::string ansiToUtf8(std::string_view ansi) {
  return narrow(toWide(CP_ACP, ansi));
}

std::string utf8ToAnsi(std::string_view utf8) {
  return fromWide(CP_ACP, widen(utf8));
}

}  // namespace fd
