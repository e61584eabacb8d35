#include <gtest/gtest.h>

#include "fixtures/FileStageFixture.h"
#include "platform/AppError.h"

namespace fd::test {
namespace {

TEST_F(FileCopy, CopiesOverExistingFilesCreatingFoldersAndColouringRows) {
  f.writeFile(comercial + "Comercial.exe", "old");
  row("Comercial.exe", comercial, "new");
  row("x.dll", comercial + "Bin\\", "dll");
  copiar();
  EXPECT_EQ(f.readFile(comercial + "Comercial.exe"), "new");
  EXPECT_EQ(f.readFile(comercial + "Bin\\x.dll"), "dll");
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kLightGreen);
  EXPECT_EQ(w().flxFile.CellBackColor(2, 6), colors::kLightGreen);
  auto texts = f.stepTexts();
  std::vector<std::string> tail(texts.end() - 3, texts.end());
  EXPECT_EQ(tail, (std::vector<std::string>{" " + comercial + "Comercial.exe",
                                            " " + comercial + "Bin\\x.dll",
                                            " CreateFolder " + comercial + "Bin\\"}));
  EXPECT_EQ(w().txtEstado.Text(), "Copiando x.dll");
}

TEST_F(FileCopy, ADotDotDestinationIsCopiedAndKeptWhereWindowsResolvesIt) {
  f.makeFolder(comercial);
  f.writeFile(f.fendal() + "Comun\\x.dll", "vieja");
  row("x.dll", comercial + "..\\Comun\\", "nueva");
  copiar();
  EXPECT_EQ(f.readFile(f.fendal() + "Comun\\x.dll"), "nueva");
  EXPECT_EQ(f.readFile(FileBackup::keptPath(backup.folder(), f.fendal() + "Comun\\x.dll")),
            "vieja");
}

TEST_F(FileCopy, MailProgramAlwaysGoesToTheRootUnderItsName) {
  row("FdEnvioMails.EXE", f.fendal() + "CRM\\", "mails");
  copiar();
  EXPECT_EQ(f.readFile(f.fendal() + "fdEnvioMails.exe"), "mails");
  EXPECT_EQ(f.logLines().back(),
            "CopyFile " + f.act() + "P\\FdEnvioMails.EXE " + f.fendal() + "fdEnvioMails.exe");
  // Its folder is still created, as for any row with a destination.
  EXPECT_TRUE(f.exists(f.fendal() + "CRM"));
}

// A command file without a destination that fails when it runs: the folder it makes exists
// already, or a folder stands where the batch's substituted copy goes.
class CommandFileRows : public FileCopy, public ::testing::WithParamInterface<std::string> {};

TEST_P(CommandFileRows, RunOnlyWhenTicked) {
  const std::string archivo = GetParam();
  row(archivo, "", "MAKEDIR " + comercial + "Existe\r\n");
  f.makeFolder(comercial + "Existe");
  f.makeFolder(CommandFiles::substitutedCopy(f.act() + "P\\" + archivo));
  w().chkComandos.setValue(0);
  int logRows = w().flxLog.Rows();
  copiar();
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kWhite);
  EXPECT_EQ(w().flxLog.Rows(), logRows);
  EXPECT_EQ(f.logTexts().back(), " " + archivo);

  w().chkComandos.setValue(1);
  copiar();
  EXPECT_EQ(w().flxLog.TextMatrix(w().flxLog.Rows() - 1, 1), "Ejecutar " + archivo);
  EXPECT_EQ(w().flxLog.TextMatrix(w().flxLog.Rows() - 1, 2), "Hubo un Error");
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kLightRed);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CommandFileRows, ::testing::Values("Alta.cfd", "Alta.bat"));

TEST_F(FileCopy, CommandFileWithADestinationIsCopiedNotRun) {
  row("Alta.cfd", comercial, "MAKEDIR " + f.root() + "NoSeHace\r\n");
  copiar();
  EXPECT_TRUE(f.exists(comercial + "Alta.cfd"));
  EXPECT_FALSE(f.exists(f.root() + "NoSeHace"));
}

TEST_F(FileCopy, OtherFileWithoutDestinationIsOnlyLogged) {
  row("nota.txt", "", "x");
  copiar();
  EXPECT_EQ(f.logTexts().back(), " nota.txt");
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kWhite);
}

struct FailureCase {
  std::string name;
  std::string destino;  // below the suite's root
  bool sourceMissing;
  int number;
};

class FileCopyFailures : public FileCopy, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FileCopyFailures, StopAtTheFailingRowKeepingEarlierRowsCopied) {
  const std::string destino = f.fendal() + GetParam().destino;
  row("a.dll", comercial, "a");
  row("b.dll", destino, GetParam().sourceMissing ? "" : "b");
  row("c.dll", comercial, "c");
  try {
    copiar();
    FAIL() << "no failure";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), GetParam().number);
  }
  EXPECT_EQ(current.archivo, "b.dll");
  EXPECT_EQ(current.destino, destino);
  EXPECT_TRUE(f.exists(comercial + "a.dll"));
  EXPECT_FALSE(f.exists(comercial + "c.dll"));
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kLightGreen);
  EXPECT_EQ(w().flxFile.CellBackColor(2, 1), colors::kWhite);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FileCopyFailures,
    ::testing::Values(FailureCase{"SourceMissing", "Comercial\\", true, err::kFileNotFound},
                      FailureCase{"ParentMissing", "No\\Existe\\", false, err::kPathNotFound}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace fd::test
