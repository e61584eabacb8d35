// Winrar95.exe built for Windows, run as the updater runs it ("e -o+ ARCHIVE TARGET\") on the
// archives made by RAR itself: what each must leave is in tests/data/rar/expected.tsv.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "fixtures/RarExpectedTable.h"
#include "fixtures/Sha256.h"
#include "fixtures/TempPrefix.h"
#include "fixtures/UpdaterFixture.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Text.h"

namespace fd::test {
namespace {

namespace fs = std::filesystem;

const fs::path kRarData = fs::path(FD_TESTDATA_DIR) / "rar";

using ArchiveCase = RarExpectedCase;

class Win32WinrarTest : public ::testing::TestWithParam<ArchiveCase> {};

TEST_P(Win32WinrarTest, ExtractsAsTheTableSays) {
  const ArchiveCase& c = GetParam();
  TempPrefix folder;
  const std::string archive = folder.path(c.archive);
  const std::string target = folder.path("out\\");
  ASSERT_TRUE(CopyFileW((kRarData / c.archive).wstring().c_str(), widen(archive).c_str(), TRUE));

  Win32Processes processes;
  const int exitCode =
      processes.syncShell("\"" + narrow(UpdaterFixture::builtProgram("Winrar95.exe").wstring()) +
                              "\" e -o+ \"" + archive + "\" \"" + target + "\"",
                          WindowState::Hidden);

  std::map<std::string, std::pair<std::uintmax_t, std::string>> left;
  if (fs::exists(fs::path(widen(target)))) {
    for (const auto& item : fs::directory_iterator(fs::path(widen(target)))) {
      left[narrow(item.path().filename().wstring())] = {fs::file_size(item.path()),
                                                        sha256HexOfFile(item.path())};
    }
  }
  if (c.succeeds) {
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(left, c.files);
  } else {
    EXPECT_NE(exitCode, 0);
    // Only files the archive holds whole and unencrypted may be left, never a temporary one.
    for (const auto& [name, sizeAndSha] : left) {
      EXPECT_FALSE(name.starts_with(".Winrar95")) << name;
    }
  }
  // Nothing written beside the target folder.
  EXPECT_EQ(folder.names(folder.path()).size(), fs::exists(fs::path(widen(target))) ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(RarMadeArchives, Win32WinrarTest,
                         ::testing::ValuesIn(loadRarExpectedTable(kRarData / "expected.tsv")),
                         [](const ::testing::TestParamInfo<ArchiveCase>& info) {
                           return rarCaseName(info.param);
                         });

}  // namespace
}  // namespace fd::test
