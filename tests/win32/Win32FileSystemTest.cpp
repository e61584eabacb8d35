#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "fixtures/TempPrefix.h"
#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Text.h"

namespace fd::test {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  int errorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const AppError& e) {
      return e.number();
    }
    return 0;
  }
  void setAttributes(const std::string& name, DWORD bits) {
    ASSERT_TRUE(SetFileAttributesW(widen(folder.path(name)).c_str(), bits));
  }

  TempPrefix folder;
  Win32FileSystem fs;
};

TEST_F(Win32FileSystemTest, HiddenAndSystemFilesAreNotOrdinary) {
  folder.writeFile(folder.path("plain.txt"), "x");
  folder.writeFile(folder.path("hidden.txt"), "x");
  folder.writeFile(folder.path("system.txt"), "x");
  setAttributes("hidden.txt", FILE_ATTRIBUTE_HIDDEN);
  setAttributes("system.txt", FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(fs.ordinaryFileExists(folder.path("PLAIN.TXT")));
  EXPECT_FALSE(fs.ordinaryFileExists(folder.path("hidden.txt")));
  EXPECT_FALSE(fs.ordinaryFileExists(folder.path("system.txt")));
  EXPECT_TRUE(fs.fileExists(folder.path("hidden.txt")));
  EXPECT_FALSE(fs.fileExists(folder.path("")));
}

TEST_F(Win32FileSystemTest, AttributesAreTheSystemBits) {
  folder.writeFile(folder.path("a.txt"), "x");
  setAttributes("a.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(fs.attributes(folder.path("a.txt")), attr::kReadOnly | attr::kHidden | attr::kArchive);
  EXPECT_NE(fs.attributes(folder.path("")) & attr::kDirectory, 0);
  EXPECT_EQ(errorOf([&] { fs.attributes(folder.path("missing")); }), err::kFileNotFound);
}

TEST_F(Win32FileSystemTest, CopyWritesTheContentsAndKeepsTheModificationTime) {
  folder.writeFile(folder.path("source.bin"), std::string("a\0b\r\nc", 6));
  fs.copyFile(folder.path("source.bin"), folder.path("target.bin"), false);
  EXPECT_EQ(folder.readFile(folder.path("target.bin")), std::string("a\0b\r\nc", 6));
  EXPECT_EQ(fs.lastModified(folder.path("target.bin")), fs.lastModified(folder.path("source.bin")));
}

TEST_F(Win32FileSystemTest, ListFilesMatchesWithoutCaseAndSortsOrdinaryFiles) {
  for (const char* name : {"b_1.RAR", "A_2.rar", "c.rarx", "hidden.rar", "notes.txt"}) {
    folder.writeFile(folder.path(name), "x");
  }
  setAttributes("hidden.rar", FILE_ATTRIBUTE_HIDDEN);
  CreateDirectoryW(widen(folder.path("folder.rar")).c_str(), nullptr);
  EXPECT_EQ(fs.listFiles(folder.path(""), "*.rar", false),
            (std::vector<std::string>{"A_2.rar", "b_1.RAR"}));
  EXPECT_EQ(fs.listFiles(folder.path("").substr(0, folder.path("").size() - 1), "*.*", true).size(),
            4u);
  EXPECT_TRUE(fs.listFiles(folder.path("missing"), "*.*", false).empty());
}

TEST_F(Win32FileSystemTest, ListFoldersSortsWithoutCaseAndLeavesHiddenOnesOut) {
  for (const char* name : {"beta", "Alpha", "gamma", "secret"}) {
    fs.createFolder(folder.path(name));
  }
  setAttributes("secret", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  folder.writeFile(folder.path("file.txt"), "x");
  EXPECT_EQ(fs.listFolders(folder.path("")), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
}

TEST_F(Win32FileSystemTest, TextGoesThroughTheSystemCodePageWithCrLf) {
  fs.writeLines(folder.path("log.txt"), {"Actualización", "año"}, false);
  fs.appendLine(folder.path("log.txt"), "fin");
  const std::string expected = utf8ToAnsi("Actualización\r\naño\r\nfin\r\n");
  EXPECT_EQ(folder.readFile(folder.path("log.txt")), expected);
  EXPECT_EQ(fs.readLines(folder.path("log.txt")),
            (std::vector<std::string>{"Actualización", "año", "fin"}));
}

TEST_F(Win32FileSystemTest, ReadLinesEndsLinesAtALoneCr) {
  folder.writeFile(folder.path("mixed.txt"), "a\rb\r\nc\nd");
  EXPECT_EQ(fs.readLines(folder.path("mixed.txt")), (std::vector<std::string>{"a", "b", "c\nd"}));
  EXPECT_EQ(errorOf([&] { fs.readLines(folder.path("missing.txt")); }), err::kFileNotFound);
}

TEST_F(Win32FileSystemTest, WriteLinesFromTheStartEmptiesAHiddenFile) {
  folder.writeFile(folder.path("hidden.log"), "old old old");
  setAttributes("hidden.log", FILE_ATTRIBUTE_HIDDEN);
  fs.writeLines(folder.path("hidden.log"), {"new"}, false);
  EXPECT_EQ(folder.readFile(folder.path("hidden.log")), "new\r\n");
}

TEST_F(Win32FileSystemTest, LastModifiedIsTheLocalTimeOfTheFile) {
  folder.writeFile(folder.path("a.txt"), "x");
  SYSTEMTIME local{2024, 3, 0, 5, 14, 7, 9, 0};
  SYSTEMTIME utc;
  FILETIME when;
  ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &when));
  HANDLE file = CreateFileW(widen(folder.path("a.txt")).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFileTime(file, nullptr, nullptr, &when);
  CloseHandle(file);
  EXPECT_EQ(fs.lastModified(folder.path("a.txt")), (LocalDateTime{2024, 3, 5, 14, 7, 9}));
}

TEST(Win32AnsiCodec, IsTheSystemCodePage) {
  if (GetACP() != 1252) {
    GTEST_SKIP() << "the system code page is " << GetACP();
  }
  EXPECT_EQ(utf8ToAnsi("año €"), "a\xF1o \x80");
  EXPECT_EQ(ansiToUtf8("a\xF1o \x80"), "año €");
}

TEST(Win32FileErrors, MapTheSystemCodesToThePlatformNumbers) {
  EXPECT_EQ(fileErrorNumber(ERROR_FILE_NOT_FOUND), err::kFileNotFound);
  EXPECT_EQ(fileErrorNumber(ERROR_PATH_NOT_FOUND), err::kPathNotFound);
  EXPECT_EQ(fileErrorNumber(ERROR_SHARING_VIOLATION), err::kPermissionDenied);
  EXPECT_EQ(fileErrorNumber(ERROR_ALREADY_EXISTS), err::kFileExists);
  EXPECT_EQ(fileErrorNumber(ERROR_DISK_FULL), err::kDiskFull);
  EXPECT_EQ(fileErrorNumber(ERROR_INVALID_FUNCTION), err::kPathFileAccess);
}

}  // namespace
}  // namespace fd::test
