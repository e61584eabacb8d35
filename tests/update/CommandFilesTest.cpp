#include <gtest/gtest.h>

#include <cstdlib>

#include "fixtures/UpdaterFixture.h"
#include "update/CommandFiles.h"

namespace fd::test {
namespace {

class CommandFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.prefix.makeFolder("C:\\Fendal\\Comercial");
    ASSERT_TRUE(f.window().Form_Load());
    // Programs the command files start: they note their arguments in C:\Tmp\marca.txt.
    f.writeScript("C:\\Act\\marcar", "echo \"$@\" >> \"$WINEPREFIX/drive_c/Tmp/marca.txt\"");
    setenv("WINEPREFIX", f.prefix.root().c_str(), 1);
  }
  void TearDown() override { unsetenv("WINEPREFIX"); }

  bool run(const std::string& path, const std::string& content) {
    f.prefix.writeFile(path, content);
    return commands().EjecutarComandos(path);
  }
  CommandFiles commands() {
    auto& w = f.window();
    return CommandFiles({w.txtDirIni, w.txtDirFD, w.txtCom}, f.fs, f.processes(), f.desktop, w.log);
  }
  std::vector<std::string> lines(const std::string& path) { return f.fs.readLines(path); }

  UpdaterFixture f;
};

TEST_F(CommandFilesTest, CopyWithPlaceholdersCopiesAndLogsBothPaths) {
  f.prefix.writeFile("C:\\Tmp\\P1\\ayuda.dll", "dll");
  EXPECT_TRUE(run("C:\\Tmp\\P1\\Instalar.cfd", "copy %PathActTmp%ayuda.dll %PathFD%ayuda.dll\r\n"));
  EXPECT_EQ(f.prefix.readFile("C:\\Fendal\\ayuda.dll"), "dll");
  EXPECT_EQ(lines("c:\\tmp\\p1\\instalar.log"),
            std::vector<std::string>{"Copy C:\\Tmp\\P1\\ayuda.dll  C:\\Fendal\\ayuda.dll"});
  EXPECT_EQ(f.logTexts().back(), " Ejecutar Comandos C:\\Tmp\\P1\\Instalar.cfd");
  EXPECT_TRUE(f.desktop.boxes.size() <= 1);
}

TEST_F(CommandFilesTest, TwoSpacesGiveAnEmptyTargetThatFailsAndTheRestStillRuns) {
  f.prefix.writeFile("C:\\Tmp\\P1\\a", "a");
  size_t before = f.desktop.boxes.size();
  EXPECT_FALSE(
      run("C:\\Tmp\\P1\\x.cfd", "COPY C:\\Tmp\\P1\\a  C:\\Tmp\\b\r\nMAKEDIR C:\\Tmp\\Nueva\r\n"));
  ASSERT_EQ(f.desktop.boxes.size(), before + 1);
  EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kExclamation);
  EXPECT_EQ(f.desktop.boxes.back().title, "Vadelo");
  EXPECT_TRUE(f.prefix.exists("C:\\Tmp\\Nueva"));
  EXPECT_EQ(lines("C:\\Tmp\\P1\\x.log"),
            (std::vector<std::string>{"Copy C:\\Tmp\\P1\\a  ", "MakeDir C:\\Tmp\\Nueva"}));
}

TEST_F(CommandFilesTest, MakedirOfAnExistingFolderIsReportedAndTheNextLineRuns) {
  f.prefix.makeFolder("C:\\Tmp\\Existe");
  size_t before = f.desktop.boxes.size();
  EXPECT_FALSE(run("C:\\Tmp\\P1\\x.cfd", "MAKEDIR C:\\Tmp\\Existe\r\nMAKEDIR C:\\Tmp\\Otra\r\n"));
  ASSERT_EQ(f.desktop.boxes.size(), before + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt, "58 El archivo ya existe");
  EXPECT_TRUE(f.prefix.exists("C:\\Tmp\\Otra"));
}

TEST_F(CommandFilesTest, ShortLinesEmptyLinesAndOtherEndingsDoNothing) {
  EXPECT_TRUE(run("C:\\Tmp\\P1\\x.cfd", "COPY solo\r\n\r\nMAKEDIR\r\n"));
  EXPECT_FALSE(f.prefix.exists("C:\\Tmp\\P1\\x.log"));
  EXPECT_TRUE(run("C:\\Tmp\\P1\\Y.CFD", "MAKEDIR C:\\Tmp\\NoSeHace\r\n"));
  EXPECT_FALSE(f.prefix.exists("C:\\Tmp\\NoSeHace"));
  EXPECT_FALSE(f.prefix.exists("C:\\Tmp\\P1\\y.log"));
}

TEST_F(CommandFilesTest, SyncShellWaitsAndOtherLinesStartWithoutWaiting) {
  EXPECT_TRUE(run("C:\\Tmp\\P1\\x.cfd", "SYNCSHELL marcar uno dos\r\n"));
  EXPECT_EQ(f.prefix.readFile("C:\\Tmp\\marca.txt"), "uno dos\n");
  EXPECT_TRUE(run("C:\\Tmp\\P1\\x.cfd", "marcar tres\r\n"));
  EXPECT_EQ(lines("C:\\Tmp\\P1\\x.log"),
            (std::vector<std::string>{"FSyncShell SYNCSHELL marcar uno dos", "Shell marcar tres"}));
}

TEST_F(CommandFilesTest, AProgramThatDoesNotExistIsReported) {
  size_t before = f.desktop.boxes.size();
  EXPECT_FALSE(run("C:\\Tmp\\P1\\x.cfd", "noexiste_programa /s C:\\Fendal\\x.dll\r\n"));
  ASSERT_EQ(f.desktop.boxes.size(), before + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt, "53 No se encontró el archivo");
  EXPECT_EQ(lines("C:\\Tmp\\P1\\x.log"),
            std::vector<std::string>{"Shell noexiste_programa /s C:\\Fendal\\x.dll"});
}

TEST_F(CommandFilesTest, MissingCommandFileIsReportedOnce) {
  f.prefix.makeFolder("C:\\Tmp\\P1");
  size_t before = f.desktop.boxes.size();
  EXPECT_FALSE(commands().EjecutarComandos("C:\\Tmp\\P1\\falta.cfd"));
  EXPECT_EQ(f.desktop.boxes.size(), before + 1);
}

TEST_F(CommandFilesTest, RunningTwiceAppendsToTheCompanionLog) {
  run("C:\\Tmp\\P1\\x.cfd", "MAKEDIR C:\\Tmp\\Uno\r\n");
  f.prefix.writeFile("C:\\Tmp\\P1\\x.cfd", "MAKEDIR C:\\Tmp\\Dos\r\n");
  commands().EjecutarComandos("C:\\Tmp\\P1\\x.cfd");
  EXPECT_EQ(lines("C:\\Tmp\\P1\\x.log"),
            (std::vector<std::string>{"MakeDir C:\\Tmp\\Uno", "MakeDir C:\\Tmp\\Dos"}));
}

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
