// Batches run through wine, as the updater runs them on POSIX; a recording wine on PATH stands
// in for the command interpreter (Windows runs them through cmd.exe: win32/).
#include <cstdlib>

#include "fixtures/CommandFilesFixture.h"

namespace fd::test {
namespace {

// A batch in a folder with and without a space in its name.
class BatchFolders : public CommandFilesTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(BatchFolders, BatchRunsAsItsSubstitutedCopy) {
  // A recording wine stands in for the Windows command interpreter.
  f.prefix.makeFolder("C:\\Bin");
  f.writeScript("C:\\Bin\\wine",
                "cp \"$1\" \"$WINEPREFIX/drive_c/Tmp/ejecutado.bat\"; echo \"$@\" > "
                "\"$WINEPREFIX/drive_c/Tmp/wine.txt\"");
  std::string path = std::getenv("PATH");
  setenv("PATH", (f.prefix.host("C:\\Bin").string() + ":" + path).c_str(), 1);
  const std::string folder = GetParam();
  bool ok = run(folder + "Limpiar.bat",
                "del %PathFD%viejo.txt\r\n\r\necho %PathCom%\r\ntype %FileINI%\r\n");
  setenv("PATH", path.c_str(), 1);
  EXPECT_TRUE(ok);
  const std::vector<std::string> expected{"del C:\\Fendal\\viejo.txt", "",
                                          "echo C:\\Fendal\\Comercial",
                                          "type C:\\Fendal\\Comercial\\fdCom.ini"};
  EXPECT_EQ(lines(folder + "limpiar.log"), expected);
  EXPECT_EQ(lines("C:\\Tmp\\ejecutado.bat"), expected);
  EXPECT_EQ(f.prefix.readFile("C:\\Tmp\\wine.txt"),
            f.prefix.host(folder + "limpiar.act.bat").string() + "\n");
}

INSTANTIATE_TEST_SUITE_P(Folders, BatchFolders,
                         ::testing::Values("C:\\Tmp\\P1\\", "C:\\Tmp\\Con espacio\\"));

TEST_F(CommandFilesTest, BatchWithoutWineIsReportedAndStillLogged) {
  std::string path = std::getenv("PATH");
  setenv("PATH", "/nonexistent", 1);
  size_t before = f.desktop.boxes.size();
  bool ok = run("C:\\Tmp\\P1\\b.bat", "echo %PathFD%\r\n");
  setenv("PATH", path.c_str(), 1);
  EXPECT_FALSE(ok);
  EXPECT_EQ(f.desktop.boxes.size(), before + 1);
  EXPECT_EQ(lines("C:\\Tmp\\P1\\b.log"), std::vector<std::string>{"echo C:\\Fendal\\"});
}

}  // namespace
}  // namespace fd::test
