#include <gtest/gtest.h>

#include "fixtures/UpdaterFixture.h"
#include "packages/PackageDiscovery.h"

namespace fd::test {
namespace {

using Row = std::vector<std::string>;

std::vector<Row> packageRows(const Grid& grid) {
  std::vector<Row> rows;
  for (int r = 1; r < grid.Rows(); ++r) {
    Row row;
    for (int c = 0; c < grid.Cols(); ++c)
      row.push_back(grid.TextMatrix(r, c));
    rows.push_back(row);
  }
  return rows;
}

TEST(CargarPaquetes, ListsSortsAndNumbersThePackages) {
  UpdaterFixture f;
  f.prefix.makeFolder("C:\\Fendal\\Comercial");
  for (const char* name : {"comercial_5_2_7_base.rar", "CRM_1_10_0_b.rar", "CRM_1_9_3_a.rar"}) {
    f.prefix.writeFile(std::string("C:\\Act\\") + name, "");
  }
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(packageRows(f.window().flxRar),
            (std::vector<Row>{{"1", "comercial_5_2_7_base.rar", "COMERCIAL", "05.02.007",
                               "C:\\Fendal\\Comercial\\", "C:\\Act\\comercial_5_2_7_base\\"},
                              {"2", "CRM_1_9_3_a.rar", "CRM", "01.09.003", "C:\\Fendal\\CRM\\",
                               "C:\\Act\\CRM_1_9_3_a\\"},
                              {"3", "CRM_1_10_0_b.rar", "CRM", "01.10.000", "C:\\Fendal\\CRM\\",
                               "C:\\Act\\CRM_1_10_0_b\\"}}));
  EXPECT_TRUE(f.window().cmdDes.Enabled());
  EXPECT_TRUE(f.window().cmdAct.Enabled());
  auto texts = f.logTexts();
  auto cargar = std::find(texts.begin(), texts.end(), " Cargar Paquetes");
  ASSERT_NE(cargar, texts.end());
  EXPECT_EQ(texts.end() - cargar, 4);
}

TEST(CargarPaquetes, NoPackageLeavesOnlyTheHeaderAndDisablesTheButtons) {
  UpdaterFixture f;
  f.prefix.writeFile("C:\\Act\\leeme.txt", "");
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(f.window().flxRar.Rows(), 1);
  EXPECT_FALSE(f.window().cmdDes.Enabled());
  EXPECT_FALSE(f.window().cmdAct.Enabled());
  EXPECT_EQ(f.logTexts().back(), " Cargar Paquetes");
  EXPECT_TRUE(f.desktop.boxes.size() <= 1);  // only the server's message, if any
}

struct NameCase {
  std::string name;
  std::string sistema;
  std::string version;
  std::string aplicacion;
};

class PackageNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(PackageNames, ReadsSystemAndVersionFromTheName) {
  UpdaterFixture f;
  f.prefix.makeFolder("C:\\Fendal\\Comercial");
  f.prefix.writeFile("C:\\Act\\" + GetParam().name, "");
  ASSERT_TRUE(f.window().Form_Load());
  ASSERT_EQ(f.window().flxRar.Rows(), 2);
  EXPECT_EQ(f.window().flxRar.TextMatrix(1, 1), GetParam().name);
  EXPECT_EQ(f.window().flxRar.TextMatrix(1, 2), GetParam().sistema);
  EXPECT_EQ(f.window().flxRar.TextMatrix(1, 3), GetParam().version);
  EXPECT_EQ(f.window().flxRar.TextMatrix(1, 4), GetParam().aplicacion);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PackageNames,
    ::testing::Values(NameCase{"COM_MEDIO_1_2_3_x.rar", "COM", "MEDIO.01.002",
                               "C:\\Fendal\\Comercial\\"},
                      NameCase{"Crm_12_0_1234_x.rar", "CRM", "12.00.1234", "C:\\Fendal\\CRM\\"},
                      NameCase{"MRP_1_2_3.rar", "MRP", "01.02.3.rar", "C:\\Fendal\\MRP\\"},
                      NameCase{"VENTAS_1_2_3_x.rar", "VENTAS", "01.02.003", "C:\\Fendal\\"},
                      NameCase{"suelto.rar", "SUELTO.RAR", "..", "C:\\Fendal\\"},
                      NameCase{"CRM_1.rar", "CRM", "1.rar..", "C:\\Fendal\\CRM\\"},
                      NameCase{"mayus.RAR", "MAYUS.RAR", "..", "C:\\Fendal\\"}));

TEST(CargarPaquetes, AThreeDigitVersionSortsAsTextBeforeTwoDigits) {
  UpdaterFixture f;
  f.prefix.writeFile("C:\\Act\\CRM_99_0_0_a.rar", "");
  f.prefix.writeFile("C:\\Act\\CRM_100_0_0_a.rar", "");
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(f.window().flxRar.TextMatrix(1, 3), "100.00.000");
  EXPECT_EQ(f.window().flxRar.TextMatrix(2, 3), "99.00.000");
}

struct PieceCase {
  std::string piece;
  int digits;
  std::string formatted;
};

class VersionPieces : public ::testing::TestWithParam<PieceCase> {};

TEST_P(VersionPieces, PadsNumbersAndKeepsOtherText) {
  EXPECT_EQ(formatVersionPiece(GetParam().piece, GetParam().digits), GetParam().formatted);
}

INSTANTIATE_TEST_SUITE_P(Pieces, VersionPieces,
                         ::testing::Values(PieceCase{"5", 2, "05"}, PieceCase{"7", 3, "007"},
                                           PieceCase{"1234", 3, "1234"}, PieceCase{"0", 2, "00"},
                                           PieceCase{"MEDIO", 2, "MEDIO"},
                                           PieceCase{"3.rar", 3, "3.rar"}, PieceCase{"", 2, ""},
                                           PieceCase{"1e3", 2, "1e3"}));

TEST(RefrescarPathAplicacion, WithoutPackagesDoesNothing) {
  Grid grid;
  grid.setRows(1);
  grid.setCols(6);
  RefrescarPathAplicacion(grid, [](const std::string&) { return std::string("X"); });
  EXPECT_EQ(grid.Rows(), 1);
}

}  // namespace
}  // namespace fd::test
