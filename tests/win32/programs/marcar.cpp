// A program the command-file suites start: appends its arguments, separated by single spaces,
// as one line to marca.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring marca(self);
  marca = marca.substr(0, marca.rfind(L'\\') + 1) + L"marca.txt";
  std::string line;
  for (int i = 1; i < argc; ++i) {
    line += (i > 1 ? " " : "") + std::string(argv[i]);
  }
  line += "\n";
  FILE* file = _wfopen(marca.c_str(), L"ab");
  if (file == nullptr) {
    return 1;
  }
  const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
  return std::fclose(file) == 0 && written ? 0 : 1;
}
