// The Windows system's own codes: its code page and the error codes of its file calls.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/win32/Win32FileSystem.h"

namespace fd::test {
namespace {

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
