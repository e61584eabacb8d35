#include <gtest/gtest.h>

#include "fixtures/CommandFilesFixture.h"

namespace fd::test {
namespace {

TEST_F(CommandFilesTest, CopyWithPlaceholdersCopiesAndLogsBothPaths) {
  f.writeFile(p1 + "ayuda.dll", "dll");
  EXPECT_TRUE(run(p1 + "Instalar.cfd", "copy %PathActTmp%ayuda.dll %PathFD%ayuda.dll\r\n"));
  EXPECT_EQ(f.readFile(f.fendal() + "ayuda.dll"), "dll");
  EXPECT_EQ(lines(p1 + "instalar.log"),
            std::vector<std::string>{"Copy " + p1 + "ayuda.dll  " + f.fendal() + "ayuda.dll"});
  EXPECT_EQ(f.stepTexts().back(), " Ejecutar Comandos " + p1 + "Instalar.cfd");
  EXPECT_TRUE(f.desktop.boxes.size() <= 1);
}

TEST_F(CommandFilesTest, TwoSpacesGiveAnEmptyTargetThatFailsAndTheRestStillRuns) {
  f.writeFile(p1 + "a", "a");
  size_t before = f.desktop.boxes.size();
  EXPECT_FALSE(run(p1 + "x.cfd", "COPY " + p1 + "a  " + tmp + "b\r\nMAKEDIR " + tmp + "Nueva\r\n"));
  ASSERT_EQ(f.desktop.boxes.size(), before + 1);
  EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kExclamation);
  EXPECT_EQ(f.desktop.boxes.back().title, "Vadelo");
  EXPECT_TRUE(f.exists(tmp + "Nueva"));
  EXPECT_EQ(lines(p1 + "x.log"),
            (std::vector<std::string>{"Copy " + p1 + "a  ", "MakeDir " + tmp + "Nueva"}));
}

TEST_F(CommandFilesTest, ADotDotTargetIsCopiedAndKeptWhereWindowsResolvesIt) {
  f.writeFile(p1 + "a", "nueva");
  f.writeFile(tmp + "b", "vieja");
  EXPECT_TRUE(run(p1 + "x.cfd", "COPY " + p1 + "a " + p1 + "..\\b\r\n"));
  EXPECT_EQ(f.readFile(tmp + "b"), "nueva");
  EXPECT_EQ(f.readFile(FileBackup::keptPath(backup.folder(), tmp + "b")), "vieja");
}

TEST_F(CommandFilesTest, MakedirOfAnExistingFolderIsReportedAndTheNextLineRuns) {
  f.makeFolder(tmp + "Existe");
  size_t before = f.desktop.boxes.size();
  EXPECT_FALSE(run(p1 + "x.cfd", "MAKEDIR " + tmp + "Existe\r\nMAKEDIR " + tmp + "Otra\r\n"));
  ASSERT_EQ(f.desktop.boxes.size(), before + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt, "58 El archivo ya existe");
  EXPECT_TRUE(f.exists(tmp + "Otra"));
}

TEST_F(CommandFilesTest, ShortLinesEmptyLinesAndOtherEndingsDoNothing) {
  EXPECT_TRUE(run(p1 + "x.cfd", "COPY solo\r\n\r\nMAKEDIR\r\n"));
  EXPECT_FALSE(f.exists(p1 + "x.log"));
  EXPECT_TRUE(run(p1 + "Y.CFD", "MAKEDIR " + tmp + "NoSeHace\r\n"));
  EXPECT_FALSE(f.exists(tmp + "NoSeHace"));
  EXPECT_FALSE(f.exists(p1 + "y.log"));
}

TEST_F(CommandFilesTest, SyncShellWaitsAndOtherLinesStartWithoutWaiting) {
  const std::string marcar = f.writeArgumentRecorder(tmp);
  EXPECT_TRUE(run(p1 + "x.cfd", "SYNCSHELL " + marcar + " uno dos\r\n"));
  EXPECT_EQ(f.readFile(tmp + "marca.txt"), "uno dos\n");
  EXPECT_TRUE(run(p1 + "x.cfd", marcar + " tres\r\n"));
  EXPECT_EQ(lines(p1 + "x.log"),
            (std::vector<std::string>{"FSyncShell SYNCSHELL " + marcar + " uno dos",
                                      "Shell " + marcar + " tres"}));
}

TEST_F(CommandFilesTest, AProgramThatDoesNotExistIsReported) {
  size_t before = f.desktop.boxes.size();
  EXPECT_FALSE(run(p1 + "x.cfd", "noexiste_programa /s " + f.fendal() + "x.dll\r\n"));
  ASSERT_EQ(f.desktop.boxes.size(), before + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt, "53 No se encontró el archivo");
  EXPECT_EQ(lines(p1 + "x.log"),
            std::vector<std::string>{"Shell noexiste_programa /s " + f.fendal() + "x.dll"});
}

TEST_F(CommandFilesTest, MissingCommandFileIsReportedOnce) {
  f.makeFolder(tmp + "P1");
  size_t before = f.desktop.boxes.size();
  EXPECT_FALSE(commands().EjecutarComandos(p1 + "falta.cfd"));
  EXPECT_EQ(f.desktop.boxes.size(), before + 1);
}

TEST_F(CommandFilesTest, RunningTwiceAppendsToTheCompanionLog) {
  run(p1 + "x.cfd", "MAKEDIR " + tmp + "Uno\r\n");
  f.writeFile(p1 + "x.cfd", "MAKEDIR " + tmp + "Dos\r\n");
  commands().EjecutarComandos(p1 + "x.cfd");
  EXPECT_EQ(lines(p1 + "x.log"),
            (std::vector<std::string>{"MakeDir " + tmp + "Uno", "MakeDir " + tmp + "Dos"}));
}

}  // namespace
}  // namespace fd::test
