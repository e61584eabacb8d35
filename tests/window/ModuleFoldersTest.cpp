#include <gtest/gtest.h>

#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

struct RootCase {
  std::string name;
  std::vector<std::string> folders;  // existing folders below the root
  std::string typedWord;
  std::string txtCom;  // also the folder below the root that txtDirCom names
};

class RootValidation : public ::testing::TestWithParam<RootCase> {};

TEST_P(RootValidation, DerivesTheComercialFolderWithItsFallbacks) {
  UpdaterFixture f;
  const std::string root = f.root() + "X\\";
  for (const auto& folder : GetParam().folders)
    f.makeFolder(root + folder);
  auto& w = f.window();
  w.txtCom.setText(GetParam().typedWord);
  w.txtIni.setText("fdCom.ini");
  w.txtDirFD.setText(root);
  w.txtDirFD_Validate();
  EXPECT_EQ(w.txtCom.Text(), GetParam().txtCom);
  EXPECT_EQ(w.txtDirCom.Text(), root + GetParam().txtCom + "\\");
  EXPECT_EQ(w.txtDirIni.Text(), root + GetParam().txtCom + "\\fdCom.ini");
}

INSTANTIATE_TEST_SUITE_P(
    Roots, RootValidation,
    ::testing::Values(RootCase{"ComercialExists", {"Comercial"}, "Comercial", "Comercial"},
                      RootCase{"ExistsInOtherCase", {"comercial"}, "Comercial", "Comercial"},
                      RootCase{"EstudiosFallback", {"Estudios"}, "Comercial", "Estudios"},
                      RootCase{"NeitherKeepsComercial", {}, "Ventas", "Comercial"},
                      RootCase{"TypedWordThatExists", {"Ventas"}, "Ventas", "Ventas"}),
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
  std::string folder;  // below the suite's root
};

class PathSistemaMap : public ::testing::TestWithParam<SystemCase> {};

TEST_P(PathSistemaMap, GivesTheModuleFolderOrTheRoot) {
  UpdaterFixture f;
  EXPECT_EQ(f.started().PathSistema(GetParam().code), f.fendal() + GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PathSistemaMap,
    ::testing::Values(SystemCase{"COMERCIAL", "Comercial\\"}, SystemCase{"SMALLCOM", "Comercial\\"},
                      SystemCase{"COM", "Comercial\\"}, SystemCase{"COM_MEDIO", "Comercial\\"},
                      SystemCase{"ESTUDIOS", "Comercial\\"},
                      SystemCase{"CONTABILIDAD", "Contabilidad\\"}, SystemCase{"CRM", "CRM\\"},
                      SystemCase{"MRP", "MRP\\"}, SystemCase{"comercial", ""},
                      SystemCase{"VENTAS", ""}, SystemCase{"", ""}));

TEST(ModuleFolders, LeavingAModuleBoxRefreshesThePackagesOfThatModule) {
  UpdaterFixture f;
  f.writeFile(f.act() + "CONTABILIDAD_1_2_3_x.rar", "");
  f.writeFile(f.act() + "CRM_1_2_3_x.rar", "");
  auto& w = f.started();
  w.txtCon.setText("Conta2");
  w.txtCon_Validate();
  EXPECT_EQ(w.txtDirCon.Text(), f.fendal() + "Conta2\\");
  EXPECT_EQ(w.flxRar.TextMatrix(1, kRarApplicationPath), f.fendal() + "Conta2\\");
  EXPECT_EQ(w.flxRar.TextMatrix(2, kRarApplicationPath), f.fendal() + "CRM\\");
  EXPECT_EQ(w.flxRar.TextMatrix(1, kRarTemporaryPath), f.act() + "CONTABILIDAD_1_2_3_x\\");
}

TEST(ModuleFolders, IniBoxChangesOnlyTheIniPath) {
  UpdaterFixture f;
  auto& w = f.started();
  w.txtIni.setText("otro.ini");
  w.txtIni_Validate();
  EXPECT_EQ(w.txtDirIni.Text(), f.fendal() + "Comercial\\otro.ini");
}

}  // namespace
}  // namespace fd::test
