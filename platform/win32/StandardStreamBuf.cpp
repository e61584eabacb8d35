#include "platform/win32/StandardStreamBuf.h"

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace fd {

StandardStreamBuf::int_type StandardStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof()))
    return traits_type::not_eof(c);
  const char character = traits_type::to_char_type(c);
  pending_ += character;
  if (character == '\n' && !writePending(false))
    return traits_type::eof();
  return c;
}

std::streamsize StandardStreamBuf::xsputn(const char* text, std::streamsize count) {
  pending_.append(text, static_cast<std::size_t>(count));
  return writePending(false) ? count : 0;
}

int StandardStreamBuf::sync() {
  return writePending(true) ? 0 : -1;
}

bool StandardStreamBuf::writePending(bool whole) {
  // Without a line end, rfind gives npos, and npos + 1 is 0: nothing to write yet.
  const std::size_t end = whole ? pending_.size() : pending_.rfind('\n') + 1;
  if (end == 0)
    return true;
  const bool written = write(std::string_view(pending_).substr(0, end));
  pending_.erase(0, end);
  return written;
}

bool StandardStreamBuf::write(std::string_view text) {
  if (console_) {
    const std::wstring wide = widen(text);
    for (std::size_t done = 0; done < wide.size();) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      if (!WriteConsoleW(handle_, wide.data() + done, chunk, &written, nullptr) || written == 0)
        return false;
      done += written;
    }
    return true;
  }
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
      bytes += '\r';
    bytes += text[i];
  }
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD written = 0;
    if (!WriteFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                   nullptr) ||
        written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace fd
