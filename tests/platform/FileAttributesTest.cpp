// What the host's file system tells of a file: whether it is there and ordinary, its attribute
// bits and its modification time.
#include <gtest/gtest.h>

#include <filesystem>

#include "PlatformTestSupport.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/Win32Text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#endif

namespace fs = std::filesystem;

namespace fd::test {
namespace {

// Sets a file's modification time to a local date and time, the host's own way.
void setLocalModificationTime(const fs::path& file, const LocalDateTime& when) {
#ifdef _WIN32
  SYSTEMTIME local{static_cast<WORD>(when.year),
                   static_cast<WORD>(when.month),
                   0,
                   static_cast<WORD>(when.day),
                   static_cast<WORD>(when.hour),
                   static_cast<WORD>(when.minute),
                   static_cast<WORD>(when.second),
                   0};
  SYSTEMTIME utc;
  FILETIME written;
  ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &written));
  HANDLE handle =
      CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  SetFileTime(handle, nullptr, nullptr, &written);
  CloseHandle(handle);
#else
  std::tm local{};
  local.tm_year = when.year - 1900;
  local.tm_mon = when.month - 1;
  local.tm_mday = when.day;
  local.tm_hour = when.hour;
  local.tm_min = when.minute;
  local.tm_sec = when.second;
  local.tm_isdst = -1;
  const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
#endif
}

struct AttributeCase {
  std::string name;
  std::string path;
  bool folder;
  fs::perms mode;
  bool hidden;  // hidden the host's way (POSIX: a name starting with ".")
  int attributes;
};

class FileAttributes : public HostFileSystem, public testing::WithParamInterface<AttributeCase> {};

TEST_P(FileAttributes, FollowTheModeAndTheName) {
  const AttributeCase& c = GetParam();
  if (c.folder) {
    f.makeFolder(at(c.path));
  } else {
    f.writeFile(at(c.path), "x");
  }
  fs::permissions(f.host(at(c.path)), c.mode);
  const std::string path = c.hidden ? f.hide(at(c.path)) : at(c.path);
  EXPECT_EQ(f.fs.attributes(path), c.attributes);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileAttributes,
    testing::Values(
        AttributeCase{"Ordinary", "T\\a.sql", false, fs::perms(0644), false, attr::kArchive},
        AttributeCase{"ReadOnly", "T\\a.sql", false, fs::perms(0444), false,
                      attr::kArchive | attr::kReadOnly},
        AttributeCase{"OthersMayWriteButNotTheOwner", "T\\a.sql", false, fs::perms(0466), false,
                      attr::kArchive | attr::kReadOnly},
        AttributeCase{"Hidden", "T\\a.sql", false, fs::perms(0644), true,
                      attr::kArchive | attr::kHidden},
        AttributeCase{"Folder", "T\\Sub", true, fs::perms(0755), false, attr::kDirectory}),
    [](const auto& info) { return info.param.name; });

TEST_F(FileAttributes, MissingFileIsError53) {
  for (const char* path : {"nada.sql", "NoHay\\nada.sql"}) {
    EXPECT_EQ(errorNumberOf([&] { f.fs.attributes(at(path)); }), err::kFileNotFound) << path;
  }
}

TEST_F(FileAttributes, AttributesAreTheSystemBits) {
  f.writeFile(at("a.txt"), "x");
  f.makeReadOnly(at("a.txt"));
  const std::string hidden = f.hide(at("a.txt"));
  EXPECT_EQ(f.fs.attributes(hidden), attr::kReadOnly | attr::kHidden | attr::kArchive);
  EXPECT_NE(f.fs.attributes(at("")) & attr::kDirectory, 0);
  EXPECT_EQ(errorNumberOf([&] { f.fs.attributes(at("missing")); }), err::kFileNotFound);
}

TEST_F(FileAttributes, ExistenceChecksTellFilesFoldersAndHiddenFilesApart) {
  f.writeFile(at("Fendal\\a.txt"), "x");
  f.writeFile(at("Fendal\\oculto"), "x");
  const std::string hidden = f.hide(at("Fendal\\oculto"));
  EXPECT_TRUE(f.fs.folderExists(at("FENDAL\\")));
  EXPECT_FALSE(f.fs.folderExists(at("Fendal\\a.txt")));
  EXPECT_TRUE(f.fs.fileExists(at("fendal\\A.TXT")));
  EXPECT_FALSE(f.fs.fileExists(at("Fendal")));
  EXPECT_TRUE(f.fs.ordinaryFileExists(at("Fendal\\a.txt")));
  EXPECT_TRUE(f.fs.fileExists(hidden));
  EXPECT_FALSE(f.fs.ordinaryFileExists(hidden));
  EXPECT_FALSE(f.fs.fileExists(at("Fendal\\b.txt")));
}

TEST_F(FileAttributes, HiddenAndSystemFilesAreNotOrdinary) {
#ifndef _WIN32
  GTEST_SKIP() << "POSIX files have no system attribute";
#else
  f.writeFile(at("plain.txt"), "x");
  f.writeFile(at("hidden.txt"), "x");
  f.writeFile(at("system.txt"), "x");
  ASSERT_TRUE(SetFileAttributesW(widen(at("hidden.txt")).c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(widen(at("system.txt")).c_str(), FILE_ATTRIBUTE_SYSTEM));
  EXPECT_TRUE(f.fs.ordinaryFileExists(at("PLAIN.TXT")));
  EXPECT_FALSE(f.fs.ordinaryFileExists(at("hidden.txt")));
  EXPECT_FALSE(f.fs.ordinaryFileExists(at("system.txt")));
  EXPECT_TRUE(f.fs.fileExists(at("hidden.txt")));
  EXPECT_FALSE(f.fs.fileExists(at("")));
#endif
}

TEST_F(FileAttributes, LastModifiedIsLocalTime) {
  f.writeFile(at("a.txt"), "x");
  for (const LocalDateTime when :
       {LocalDateTime{2026, 12, 8, 6, 10, 57}, LocalDateTime{2024, 3, 5, 14, 7, 9}}) {
    setLocalModificationTime(f.host(at("a.txt")), when);
    EXPECT_EQ(f.fs.lastModified(at("A.TXT")), when);
  }
  EXPECT_EQ(errorNumberOf([&] { f.fs.lastModified(at("b.txt")); }), 53);
}

}  // namespace
}  // namespace fd::test
