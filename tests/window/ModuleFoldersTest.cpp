#include <gtest/gtest.h>

#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

struct RootCase {
  std::string name;
  std::vector<std::string> folders;  // existing folders below the root D:\X\ .
  std::string typedWord;
  std::string txtCom;
  std::string txtDirCom;
};

class RootValidation : public ::testing::TestWithParam<RootCase> {};

TEST_P(RootValidation, DerivesTheComercialFolderWithItsFallbacks) {
  UpdaterFixture f;
  f.prefix.addDrive('D');
  for (const auto& folder : GetParam().folders)
    f.prefix.makeFolder("D:\\X\\" + folder);
  auto& w = f.window();
  w.txtCom.setText(GetParam().typedWord);
  w.txtIni.setText("fdCom.ini");
  w.txtDirFD.setText("D:\\X\\");
  w.txtDirFD_Validate();
  EXPECT_EQ(w.txtCom.Text(), GetParam().txtCom);
  EXPECT_EQ(w.txtDirCom.Text(), GetParam().txtDirCom);
  EXPECT_EQ(w.txtDirIni.Text(), GetParam().txtDirCom + "fdCom.ini");
}

INSTANTIATE_TEST_SUITE_P(
    Roots, RootValidation,
    ::testing::Values(
        RootCase{"ComercialExists", {"Comercial"}, "Comercial", "Comercial", "D:\\X\\Comercial\\"},
        RootCase{
            "ExistsInOtherCase", {"comercial"}, "Comercial", "Comercial", "D:\\X\\Comercial\\"},
        RootCase{"EstudiosFallback", {"Estudios"}, "Comercial", "Estudios", "D:\\X\\Estudios\\"},
        RootCase{"NeitherKeepsComercial", {}, "Ventas", "Comercial", "D:\\X\\Comercial\\"},
        RootCase{"TypedWordThatExists", {"Ventas"}, "Ventas", "Ventas", "D:\\X\\Ventas\\"}),
    [](const auto& info) { return info.param.name; });

TEST(ModuleFolders, RootWithoutFinalBackslashIsUsedUnchanged) {
  UpdaterFixture f;
  auto& w = f.window();
  w.txtCom.setText("Comercial");
  w.txtCon.setText("Contabilidad");
  w.txtDirFD.setText("D:\\Suite");
  w.txtDirFD_Validate();
  EXPECT_EQ(w.txtDirCom.Text(), "D:\\SuiteComercial\\");
  EXPECT_EQ(w.txtDirCon.Text(), "D:\\SuiteContabilidad\\");
}

struct SystemCase {
  std::string code;
  std::string folder;
};

class PathSistemaMap : public ::testing::TestWithParam<SystemCase> {};

TEST_P(PathSistemaMap, GivesTheModuleFolderOrTheRoot) {
  UpdaterFixture f;
  f.prefix.makeFolder("C:\\Fendal\\Comercial");
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(f.window().PathSistema(GetParam().code), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Codes, PathSistemaMap,
                         ::testing::Values(SystemCase{"COMERCIAL", "C:\\Fendal\\Comercial\\"},
                                           SystemCase{"SMALLCOM", "C:\\Fendal\\Comercial\\"},
                                           SystemCase{"COM", "C:\\Fendal\\Comercial\\"},
                                           SystemCase{"COM_MEDIO", "C:\\Fendal\\Comercial\\"},
                                           SystemCase{"ESTUDIOS", "C:\\Fendal\\Comercial\\"},
                                           SystemCase{"CONTABILIDAD", "C:\\Fendal\\Contabilidad\\"},
                                           SystemCase{"CRM", "C:\\Fendal\\CRM\\"},
                                           SystemCase{"MRP", "C:\\Fendal\\MRP\\"},
                                           SystemCase{"comercial", "C:\\Fendal\\"},
                                           SystemCase{"VENTAS", "C:\\Fendal\\"},
                                           SystemCase{"", "C:\\Fendal\\"}));

TEST(ModuleFolders, LeavingAModuleBoxRefreshesThePackagesOfThatModule) {
  UpdaterFixture f;
  f.prefix.makeFolder("C:\\Fendal\\Comercial");
  f.prefix.writeFile("C:\\Act\\CONTABILIDAD_1_2_3_x.rar", "");
  f.prefix.writeFile("C:\\Act\\CRM_1_2_3_x.rar", "");
  ASSERT_TRUE(f.window().Form_Load());
  auto& w = f.window();
  w.txtCon.setText("Conta2");
  w.txtCon_Validate();
  EXPECT_EQ(w.txtDirCon.Text(), "C:\\Fendal\\Conta2\\");
  EXPECT_EQ(w.flxRar.TextMatrix(1, 4), "C:\\Fendal\\Conta2\\");
  EXPECT_EQ(w.flxRar.TextMatrix(2, 4), "C:\\Fendal\\CRM\\");
  EXPECT_EQ(w.flxRar.TextMatrix(1, 5), "C:\\Act\\CONTABILIDAD_1_2_3_x\\");
}

TEST(ModuleFolders, IniBoxChangesOnlyTheIniPath) {
  UpdaterFixture f;
  ASSERT_TRUE(f.window().Form_Load());
  auto& w = f.window();
  w.txtIni.setText("otro.ini");
  w.txtIni_Validate();
  EXPECT_EQ(w.txtDirIni.Text(), "C:\\Fendal\\Comercial\\otro.ini");
}

}  // namespace
}  // namespace fd::test
