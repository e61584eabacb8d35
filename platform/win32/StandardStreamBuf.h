#pragma once

#include <windows.h>

#include <streambuf>
#include <string>
#include <string_view>

namespace fd {

// An output stream buffer over one of the program's standard handles. A console gets the text as
// UTF-16 (WriteConsoleW), right whatever its code page; a redirected file, pipe or device gets
// the UTF-8 bytes with CR LF line ends. Text goes out at each line end and at each flush.
class StandardStreamBuf : public std::streambuf {
 public:
  StandardStreamBuf(HANDLE handle, bool console) : handle_(handle), console_(console) {}
  ~StandardStreamBuf() override { sync(); }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  // Writes the pending text up to its last line end (all of it when whole).
  bool writePending(bool whole);
  bool write(std::string_view text);

  HANDLE handle_;
  bool console_;
  std::string pending_;
};

}  // namespace fd
