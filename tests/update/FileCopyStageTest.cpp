#include <gtest/gtest.h>

#include <cstdlib>

#include "fixtures/UpdaterFixture.h"
#include "platform/AppError.h"
#include "update/CommandFiles.h"
#include "update/FileCopyStage.h"

namespace fd::test {
namespace {

class FileCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    f.prefix.makeFolder("C:\\Fendal\\Comercial");
    ASSERT_TRUE(f.window().Form_Load());
  }
  // A flxFile row as the manifest reader writes it.
  void row(const std::string& archivo, const std::string& destino, const std::string& contenido) {
    std::string origen = "C:\\Act\\P\\" + archivo;
    if (!contenido.empty())
      f.prefix.writeFile(origen, contenido);
    std::string tipo = archivo.size() >= 4 ? archivo.substr(archivo.size() - 4) : archivo;
    for (auto& c : tipo)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    w().flxFile.AddItem("\t" + archivo + "\t\t" + origen + "\t" + destino + "\t" + tipo + "\t" +
                        destino + archivo);
  }
  void copiar() {
    CommandFiles commands({w().txtDirIni, w().txtDirFD, w().txtCom}, f.fs, f.processes(), f.desktop,
                          w().log);
    FileCopyStage stage(w().flxFile, w().flxLog, w().chkComandos, w().txtDirFD, w().txtEstado, f.fs,
                        f.desktop, w().log, commands);
    stage.CopiarArchivos(current);
  }
  frmActualiza1& w() { return f.window(); }
  UpdaterFixture f;
  CurrentFile current;
};

TEST_F(FileCopy, CopiesOverExistingFilesCreatingFoldersAndColouringRows) {
  f.prefix.writeFile("C:\\Fendal\\Comercial\\Comercial.exe", "old");
  row("Comercial.exe", "C:\\Fendal\\Comercial\\", "new");
  row("x.dll", "C:\\Fendal\\Comercial\\Bin\\", "dll");
  copiar();
  EXPECT_EQ(f.prefix.readFile("C:\\Fendal\\Comercial\\Comercial.exe"), "new");
  EXPECT_EQ(f.prefix.readFile("C:\\Fendal\\Comercial\\Bin\\x.dll"), "dll");
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kLightGreen);
  EXPECT_EQ(w().flxFile.CellBackColor(2, 6), colors::kLightGreen);
  auto texts = f.logTexts();
  std::vector<std::string> tail(texts.end() - 3, texts.end());
  EXPECT_EQ(tail, (std::vector<std::string>{" C:\\Fendal\\Comercial\\Comercial.exe",
                                            " C:\\Fendal\\Comercial\\Bin\\x.dll",
                                            " CreateFolder C:\\Fendal\\Comercial\\Bin\\"}));
  EXPECT_EQ(w().txtEstado.Text(), "Copiando x.dll");
}

TEST_F(FileCopy, MailProgramAlwaysGoesToTheRootUnderItsName) {
  row("FdEnvioMails.EXE", "C:\\Fendal\\CRM\\", "mails");
  copiar();
  EXPECT_EQ(f.prefix.readFile("C:\\Fendal\\fdEnvioMails.exe"), "mails");
  EXPECT_EQ(f.logLines().back(),
            "CopyFile C:\\Act\\P\\FdEnvioMails.EXE C:\\Fendal\\fdEnvioMails.exe");
  // Its folder is still created, as for any row with a destination.
  EXPECT_TRUE(f.prefix.exists("C:\\Fendal\\CRM"));
}

// A command file without a destination that fails when it runs: the folder exists already, or
// there is no wine for the batch.
class CommandFileRows : public FileCopy, public ::testing::WithParamInterface<std::string> {};

TEST_P(CommandFileRows, RunOnlyWhenTicked) {
  const std::string archivo = GetParam();
  row(archivo, "", "MAKEDIR C:\\Fendal\\Comercial\\Existe\r\n");
  f.prefix.makeFolder("C:\\Fendal\\Comercial\\Existe");
  const std::string path = std::getenv("PATH");
  setenv("PATH", "/nonexistent", 1);
  w().chkComandos.setValue(0);
  int logRows = w().flxLog.Rows();
  copiar();
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kWhite);
  EXPECT_EQ(w().flxLog.Rows(), logRows);
  EXPECT_EQ(f.logTexts().back(), " " + archivo);

  w().chkComandos.setValue(1);
  copiar();
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(w().flxLog.TextMatrix(w().flxLog.Rows() - 1, 1), "Ejecutar " + archivo);
  EXPECT_EQ(w().flxLog.TextMatrix(w().flxLog.Rows() - 1, 2), "Hubo un Error");
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kLightRed);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CommandFileRows, ::testing::Values("Alta.cfd", "Alta.bat"));

TEST_F(FileCopy, CommandFileWithADestinationIsCopiedNotRun) {
  row("Alta.cfd", "C:\\Fendal\\Comercial\\", "MAKEDIR C:\\NoSeHace\r\n");
  copiar();
  EXPECT_TRUE(f.prefix.exists("C:\\Fendal\\Comercial\\Alta.cfd"));
  EXPECT_FALSE(f.prefix.exists("C:\\NoSeHace"));
}

TEST_F(FileCopy, OtherFileWithoutDestinationIsOnlyLogged) {
  row("nota.txt", "", "x");
  copiar();
  EXPECT_EQ(f.logTexts().back(), " nota.txt");
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kWhite);
}

struct FailureCase {
  std::string name;
  std::string destino;
  bool sourceMissing;
  int number;
};

class FileCopyFailures : public FileCopy, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FileCopyFailures, StopAtTheFailingRowKeepingEarlierRowsCopied) {
  row("a.dll", "C:\\Fendal\\Comercial\\", "a");
  row("b.dll", GetParam().destino, GetParam().sourceMissing ? "" : "b");
  row("c.dll", "C:\\Fendal\\Comercial\\", "c");
  try {
    copiar();
    FAIL() << "no failure";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), GetParam().number);
  }
  EXPECT_EQ(current.archivo, "b.dll");
  EXPECT_EQ(current.destino, GetParam().destino);
  EXPECT_TRUE(f.prefix.exists("C:\\Fendal\\Comercial\\a.dll"));
  EXPECT_FALSE(f.prefix.exists("C:\\Fendal\\Comercial\\c.dll"));
  EXPECT_EQ(w().flxFile.CellBackColor(1, 1), colors::kLightGreen);
  EXPECT_EQ(w().flxFile.CellBackColor(2, 1), colors::kWhite);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FileCopyFailures,
    ::testing::Values(FailureCase{"SourceMissing", "C:\\Fendal\\Comercial\\", true, 53},
                      FailureCase{"ParentMissing", "C:\\Fendal\\No\\Existe\\", false, 76}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace fd::test
