// The start-up over the suite's root (C:\Fendal, the fixture's own folder on Windows) and its
// fdCom.ini, and an updater at a drive's root.
#include <gtest/gtest.h>

#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

struct FolderCase {
  std::string programFolder;
  std::string mPathApp;
};

class ProgramFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(ProgramFolder, EndsInExactlyOneBackslash) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows' drive letters are the machine's, not a test's";
#endif
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
  f.writeFile(f.fendal() + "Comercial\\fdCom.ini", "[Comercial]\r\nServidor = 127.0.0.1,1\r\n");
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
  f.makeFolder(f.fendal() + "Comercial");
  ASSERT_TRUE(f.window().Form_Load());
  auto texts = f.logTexts();
  EXPECT_EQ(texts[1], " " + f.fendal() + "Comercial\\fdCom.ini");
  EXPECT_EQ(texts[2], " (local)");
  EXPECT_EQ(f.window().txtServidor.Text(), "(local)");
}

TEST(Startup, TakesTheFirstListedIniFile) {
  UpdaterFixture f;
  f.writeFile(f.fendal() + "Comercial\\fdCom2.ini", "[Comercial]\r\nServidor=127.0.0.1,2\r\n");
  f.writeFile(f.fendal() + "Comercial\\fdCom.ini", "[Comercial]\r\nServidor=127.0.0.1,1\r\n");
  ASSERT_TRUE(f.window().Form_Load());
  auto listed = f.fs.listFiles(f.fendal() + "Comercial\\", "fdCom*.ini", false);
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(f.logTexts()[1], " " + listed.front());
  EXPECT_EQ(f.window().txtServidor.Text(),
            listed.front() == "fdCom.ini" ? "127.0.0.1,1" : "127.0.0.1,2");
}

TEST(Startup, IniWithoutServerEntryFallsBackToLocal) {
  UpdaterFixture f;
  f.writeFile(f.fendal() + "Comercial\\fdCom.ini", "[Otra]\r\nServidor=X\r\n");
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(f.window().txtServidor.Text(), "(local)");
}

}  // namespace
}  // namespace fd::test
