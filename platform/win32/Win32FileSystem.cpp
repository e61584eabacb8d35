#include "platform/win32/Win32FileSystem.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/win32/Win32Text.h"

namespace fd {

namespace {

constexpr const char* kSource = "FileSystem";
constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

[[noreturn]] void fail(int number) {
  throw platformError(number, kSource);
}

[[noreturn]] void failWithLastError() {
  fail(fileErrorNumber(GetLastError()));
}

DWORD attributesOf(const std::wstring& path) {
  return GetFileAttributesW(path.c_str());
}

bool isFolder(DWORD bits) {
  return bits != kNoAttributes && (bits & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isFile(DWORD bits) {
  return bits != kNoAttributes && (bits & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool endsWithSeparator(std::wstring_view path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

// The folder part of a path: everything before its last separator.
std::wstring folderOf(const std::wstring& path) {
  size_t last = path.find_last_of(L"\\/");
  return last == std::wstring::npos
             ? L"."
             : path.substr(0, last == 0 || path[last - 1] == L':' ? last + 1 : last);
}

std::wstring nameOf(const std::wstring& path) {
  size_t last = path.find_last_of(L"\\/:");
  return last == std::wstring::npos ? path : path.substr(last + 1);
}

// A path that does not exist: 53 when its folder exists, 76 when the folder does not.
[[noreturn]] void failMissing(const std::wstring& path) {
  fail(isFolder(attributesOf(folderOf(path))) ? err::kFileNotFound : err::kPathNotFound);
}

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

Handle openHandle(HANDLE handle) {
  return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

bool writeAll(HANDLE file, const char* data, size_t size) {
  while (size > 0) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr)) {
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

// Reads a file to its end, handing each chunk to take, which may stop the reading by returning
// false; false when a read or take failed.
template <typename Take>
bool readChunks(HANDLE from, Take take) {
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      return false;
    }
    if (read == 0) {
      return true;
    }
    if (!take(buffer.data(), read)) {
      return false;
    }
  }
}

// The whole content of an open file.
std::string readToEnd(HANDLE from) {
  std::string bytes;
  if (!readChunks(from, [&](const char* data, DWORD size) {
        bytes.append(data, size);
        return true;
      })) {
    failWithLastError();
  }
  return bytes;
}

// Opens an existing file to read it, with its attribute bits: 53 or 76 when it is missing,
// folderError when it is a folder.
Handle openToRead(const std::wstring& path, int folderError, DWORD& bits) {
  bits = attributesOf(path);
  if (bits == kNoAttributes) {
    failMissing(path);
  }
  if (isFolder(bits)) {
    fail(folderError);
  }
  Handle input =
      openHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!input) {
    failWithLastError();
  }
  return input;
}

// The path of a folder entry: folder + "\" + name, without doubling a final separator.
std::wstring inFolder(std::wstring folder, const std::wstring& name) {
  if (!endsWithSeparator(folder) && !(folder.size() == 2 && folder[1] == L':')) {
    folder += L'\\';
  }
  return folder + name;
}

// The names of the entries of a folder that the system lists for pattern and that wanted
// accepts, sorted without regard to letter case (ties in byte order).
template <typename Wanted>
std::vector<std::string> listEntries(const std::string& folder, const std::wstring& pattern,
                                     Wanted wanted) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileExW(inFolder(widen(folder), pattern).c_str(), FindExInfoBasic, &entry,
                                 FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    return {};
  }
  std::vector<std::string> names;
  do {
    std::wstring_view name = entry.cFileName;
    // The system's listing also matches "*.rar" against short names (so "a.rarx" too); each
    // long name is checked against the pattern again.
    if (name != L"." && name != L".." && wanted(entry.dwFileAttributes) &&
        PathMatchSpecW(entry.cFileName, pattern.c_str())) {
      names.push_back(narrow(name));
    }
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  sortFolded(names);
  return names;
}

constexpr DWORD kNotOrdinary =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

}  // namespace

int fileErrorNumber(unsigned long win32Error) {
  switch (win32Error) {
    case ERROR_FILE_NOT_FOUND:
      return err::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
      return err::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return err::kPermissionDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return err::kFileExists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return err::kDiskFull;
    default:
      return err::kPathFileAccess;
  }
}

bool Win32FileSystem::folderExists(const std::string& path) const {
  return isFolder(attributesOf(widen(path)));
}

void Win32FileSystem::createFolder(const std::string& path) {
  if (!CreateDirectoryW(widen(path).c_str(), nullptr)) {
    failWithLastError();
  }
}

bool Win32FileSystem::fileExists(const std::string& path) const {
  return isFile(attributesOf(widen(path)));
}

bool Win32FileSystem::ordinaryFileExists(const std::string& path) const {
  DWORD bits = attributesOf(widen(path));
  return bits != kNoAttributes && (bits & kNotOrdinary) == 0;
}

void Win32FileSystem::copyFile(const std::string& source, const std::string& target,
                               bool overwrite) {
  const std::wstring from = widen(source);
  std::wstring to = widen(target);
  if (endsWithSeparator(to)) {
    to += nameOf(from);
  }

  DWORD sourceBits = 0;
  Handle input = openToRead(from, err::kFileNotFound, sourceBits);

  const std::wstring folder = folderOf(to);
  if (!isFolder(attributesOf(folder))) {
    fail(err::kPathNotFound);
  }
  const DWORD targetBits = attributesOf(to);
  if (targetBits != kNoAttributes) {
    if (!overwrite) {
      fail(err::kFileExists);
    }
    if (isFolder(targetBits) || (targetBits & FILE_ATTRIBUTE_READONLY) != 0) {
      fail(err::kPermissionDenied);
    }
  }

  // Hidden, so that a listing of the folder never shows a copy under way; short, so that any
  // name the folder takes can be copied into it.
  static std::atomic<unsigned> counter{0};
  const std::wstring temporary = inFolder(folder, L"~fd" + std::to_wstring(GetCurrentProcessId()) +
                                                      L"." + std::to_wstring(counter++) + L".tmp");
  Handle output = openHandle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_HIDDEN, nullptr));
  if (!output) {
    failWithLastError();
  }
  DWORD error = 0;
  FILETIME created, accessed, written;
  if (!readChunks(input.get(), [&](const char* data,
                                   DWORD size) { return writeAll(output.get(), data, size); }) ||
      !GetFileTime(input.get(), &created, &accessed, &written) ||
      !SetFileTime(output.get(), nullptr, &accessed, &written)) {
    error = GetLastError();
  }
  output.reset();
  if (error == 0 && !MoveFileExW(temporary.c_str(), to.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != 0) {
    DeleteFileW(temporary.c_str());
    fail(fileErrorNumber(error == ERROR_FILE_NOT_FOUND ? ERROR_GEN_FAILURE : error));
  }
  // The copy takes the source's attributes, as the system's own copy does.
  SetFileAttributesW(to.c_str(), sourceBits == 0 ? FILE_ATTRIBUTE_NORMAL : sourceBits);
}

void Win32FileSystem::removeFile(const std::string& path) {
  const std::wstring wide = widen(path);
  const DWORD bits = attributesOf(wide);
  if (bits == kNoAttributes) {
    failMissing(wide);
  }
  if (isFolder(bits)) {
    fail(err::kFileNotFound);
  }
  if ((bits & FILE_ATTRIBUTE_READONLY) != 0) {
    fail(err::kPermissionDenied);
  }
  if (!DeleteFileW(wide.c_str())) {
    failWithLastError();
  }
}

void Win32FileSystem::removeFolder(const std::string& path) {
  const std::wstring wide = widen(path);
  const DWORD bits = attributesOf(wide);
  if (bits == kNoAttributes) {
    failMissing(wide);
  }
  if (!isFolder(bits) || (bits & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    fail(err::kPathNotFound);
  }
  if (!RemoveDirectoryW(wide.c_str())) {
    failWithLastError();
  }
}

LocalDateTime Win32FileSystem::lastModified(const std::string& path) const {
  const std::wstring wide = widen(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    failMissing(wide);
  }
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    failWithLastError();
  }
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

std::uint64_t Win32FileSystem::fileSize(const std::string& path) const {
  const std::wstring wide = widen(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    failMissing(wide);
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int Win32FileSystem::attributes(const std::string& path) const {
  const DWORD bits = attributesOf(widen(path));
  if (bits == kNoAttributes) {
    fail(err::kFileNotFound);
  }
  return static_cast<int>(bits & (attr::kReadOnly | attr::kHidden | attr::kSystem |
                                  attr::kDirectory | attr::kArchive | attr::kReparsePoint));
}

std::vector<std::string> Win32FileSystem::listFiles(const std::string& folder,
                                                    const std::string& pattern,
                                                    bool /*admitArchived*/) const {
  return listEntries(folder, widen(pattern), [](DWORD bits) { return (bits & kNotOrdinary) == 0; });
}

std::vector<std::string> Win32FileSystem::listFolders(const std::string& folder) const {
  return listEntries(folder, L"*", [](DWORD bits) {
    return (bits & FILE_ATTRIBUTE_DIRECTORY) != 0 && (bits & FILE_ATTRIBUTE_HIDDEN) == 0;
  });
}

std::vector<std::string> Win32FileSystem::readLines(const std::string& path) const {
  DWORD bits = 0;
  Handle input = openToRead(widen(path), err::kPermissionDenied, bits);
  return ansiTextLines(readToEnd(input.get()));
}

void Win32FileSystem::writeLines(const std::string& path, const std::vector<std::string>& lines,
                                 bool append) {
  const std::wstring wide = widen(path);
  const DWORD bits = attributesOf(wide);
  if (bits != kNoAttributes && (isFolder(bits) || (bits & FILE_ATTRIBUTE_READONLY) != 0)) {
    fail(err::kPermissionDenied);
  }
  if (bits == kNoAttributes && !isFolder(attributesOf(folderOf(wide)))) {
    fail(err::kPathNotFound);
  }
  const std::string bytes = ansiTextOf(lines);
  // An existing file is opened as it is (a hidden one refuses a fresh creation) and emptied.
  Handle output = openHandle(CreateFileW(
      wide.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
      // A log the started programs write to as well (Processes::sendOutputTo) stays open to them.
      append ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ, nullptr,
      bits == kNoAttributes ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output || (!append && !SetEndOfFile(output.get()))) {
    failWithLastError();
  }
  if (!writeAll(output.get(), bytes.data(), bytes.size())) {
    failWithLastError();
  }
}

std::string Win32FileSystem::readBytes(const std::string& path) const {
  const std::wstring wide = widen(path);
  const DWORD link = attributesOf(wide);
  if (link != kNoAttributes && (link & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    fail(err::kPermissionDenied);
  }
  DWORD bits = 0;
  Handle input = openToRead(wide, err::kPermissionDenied, bits);
  return readToEnd(input.get());
}

void Win32FileSystem::writeBytes(const std::string& path, const std::string& bytes,
                                 bool createNew) {
  const std::wstring wide = widen(path);
  const DWORD bits = attributesOf(wide);
  if (!createNew && bits == kNoAttributes) {
    failMissing(wide);
  }
  if (!createNew &&
      (!isFile(bits) || (bits & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY)) != 0)) {
    fail(err::kPermissionDenied);
  }
  // CREATE_NEW fails on any entry of that name, a link included; the reparse flag keeps an
  // append from going through one made meanwhile.
  Handle output =
      openHandle(CreateFileW(wide.c_str(), createNew ? GENERIC_WRITE : FILE_APPEND_DATA,
                             FILE_SHARE_READ, nullptr, createNew ? CREATE_NEW : OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!output || !writeAll(output.get(), bytes.data(), bytes.size())) {
    failWithLastError();
  }
}

}  // namespace fd
