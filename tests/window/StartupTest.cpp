#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

struct StampCase {
  LocalDateTime when;
  std::string logName;
};

class LogStamp : public ::testing::TestWithParam<StampCase> {};

TEST_P(LogStamp, NamesTheLogWithoutLeadingZeros) {
  UpdaterFixture f;
  f.clock.setNow(GetParam().when);
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(f.window().state.mArchivoLog, "C:\\Act\\" + GetParam().logName);
  EXPECT_TRUE(f.prefix.exists(f.window().state.mArchivoLog));
}

INSTANTIATE_TEST_SUITE_P(Stamps, LogStamp,
                         ::testing::Values(StampCase{{2027, 3, 1, 8, 4, 0}, "ACT_20273184.log"},
                                           StampCase{{2026, 12, 25, 23, 59, 0},
                                                     "ACT_202612252359.log"},
                                           StampCase{{2026, 12, 7, 9, 5, 0}, "ACT_202612795.log"}));

struct FolderCase {
  std::string programFolder;
  std::string mPathApp;
};

class ProgramFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(ProgramFolder, EndsInExactlyOneBackslash) {
  UpdaterFixture f;
  f.prefix.addDrive('D');
  f.programFolder = GetParam().programFolder;
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(f.window().state.mPathApp, GetParam().mPathApp);
}

INSTANTIATE_TEST_SUITE_P(Folders, ProgramFolder,
                         ::testing::Values(FolderCase{"D:\\Upd", "D:\\Upd\\"},
                                           FolderCase{"D:\\", "D:\\"}));

TEST(Startup, LogBeginsWithHeaderIniNameAndServerInAnsiWithCrLf) {
  UpdaterFixture f;
  f.prefix.writeFile("C:\\Fendal\\Comercial\\fdCom.ini",
                     "[Comercial]\r\nServidor = 127.0.0.1,1\r\n");
  ASSERT_TRUE(f.window().Form_Load());
  std::string bytes = f.prefix.readFile(f.window().state.mArchivoLog);
  // "Actualización" in Windows-1252: the accented letter is the single byte 0xF3.
  EXPECT_EQ(bytes.substr(0, 49), "--- Log de Actualizaci\xF3n de Sistemas Fendal ---\r\n");
  auto texts = f.logTexts();
  ASSERT_GE(texts.size(), 5u);
  EXPECT_EQ(texts[1], " fdCom.ini");
  EXPECT_EQ(texts[2], " 127.0.0.1,1");
  EXPECT_EQ(texts[3], " Cambio de SERVIDOR");
  EXPECT_EQ(f.logLines()[1], "08/12/2026 6:10:57 fdCom.ini");
  EXPECT_EQ(f.window().txtServidor.Text(), "127.0.0.1,1");
  EXPECT_EQ(texts.back(), " Cargar Paquetes");
}

TEST(Startup, WithoutIniFileUsesLocalServerAndLogsTheDefaultPath) {
  UpdaterFixture f;
  f.prefix.makeFolder("C:\\Fendal\\Comercial");
  ASSERT_TRUE(f.window().Form_Load());
  auto texts = f.logTexts();
  EXPECT_EQ(texts[1], " C:\\Fendal\\Comercial\\fdCom.ini");
  EXPECT_EQ(texts[2], " (local)");
  EXPECT_EQ(f.window().txtServidor.Text(), "(local)");
}

TEST(Startup, TakesTheFirstListedIniFile) {
  UpdaterFixture f;
  f.prefix.writeFile("C:\\Fendal\\Comercial\\fdCom2.ini",
                     "[Comercial]\r\nServidor=127.0.0.1,2\r\n");
  f.prefix.writeFile("C:\\Fendal\\Comercial\\fdCom.ini", "[Comercial]\r\nServidor=127.0.0.1,1\r\n");
  ASSERT_TRUE(f.window().Form_Load());
  auto listed = f.fs.listFiles("C:\\Fendal\\Comercial\\", "fdCom*.ini", false);
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(f.logTexts()[1], " " + listed.front());
  EXPECT_EQ(f.window().txtServidor.Text(),
            listed.front() == "fdCom.ini" ? "127.0.0.1,1" : "127.0.0.1,2");
}

TEST(Startup, IniWithoutServerEntryFallsBackToLocal) {
  UpdaterFixture f;
  f.prefix.writeFile("C:\\Fendal\\Comercial\\fdCom.ini", "[Otra]\r\nServidor=X\r\n");
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(f.window().txtServidor.Text(), "(local)");
}

TEST(Startup, ExistingLogOfTheSameNameIsKeptAndAppendedTo) {
  UpdaterFixture f;
  f.clock.setNow({2026, 12, 8, 6, 1, 0});
  f.prefix.writeFile("C:\\Act\\ACT_202612861.log", "earlier run\r\n");
  ASSERT_TRUE(f.window().Form_Load());
  auto lines = f.logLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "earlier run");
  EXPECT_EQ(lines[1], "--- Log de Actualización de Sistemas Fendal ---");
}

TEST(Startup, LogThatCannotBeCreatedTellsTheUserAndStops) {
  // A folder in the log's place cannot be opened as a file, even by root.
  UpdaterFixture f;
  f.clock.setNow({2026, 12, 8, 6, 1, 0});
  f.prefix.makeFolder("C:\\Act\\ACT_202612861.log");
  EXPECT_FALSE(f.window().Form_Load());
  ASSERT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_NE(f.desktop.boxes[0].prompt.find("C:\\Act\\ACT_202612861.log"), std::string::npos);
  EXPECT_EQ(f.desktop.boxes[0].prompt.find("No se pudo crear el archivo de log "), 0u);
}

TEST(Startup, SetsUpEveryGridWithOnlyItsHeader) {
  UpdaterFixture f;
  ASSERT_TRUE(f.window().Form_Load());
  auto& w = f.window();
  for (const Grid* grid : {&w.flxBases, &w.flxFile, &w.flxScrp, &w.flxRar, &w.flxLog}) {
    EXPECT_EQ(grid->Rows(), 1);
    EXPECT_TRUE(grid->CellBold(0, 1));
  }
  int visible = 0;
  for (int col = 0; col < w.flxFile.Cols(); ++col)
    visible += w.flxFile.ColHidden(col) ? 0 : 1;
  EXPECT_EQ(visible, 5);
  EXPECT_EQ(w.flxRar.TextMatrix(0, 4), "Path Aplicación");
  EXPECT_EQ(w.flxFile.TextMatrix(0, 3), "Orígen");
  EXPECT_EQ(w.flxBases.ColDataType(2), ColumnType::Boolean);
  EXPECT_EQ(w.chkFiles.Value(), 1);
  EXPECT_EQ(w.chkScripts.Value(), 1);
  EXPECT_EQ(w.state.mClave, "Murales");  // no server answers: the legacy one was tried last
}

}  // namespace
}  // namespace fd::test
