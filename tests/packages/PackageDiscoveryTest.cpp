#include <gtest/gtest.h>

#include <algorithm>

#include "PackageTestSupport.h"
#include "packages/PackageDiscovery.h"

namespace fd::test {
namespace {

// A cell with "ACT\" and "FD\" standing for the updater's folder and the suite's root.
std::string expand(const UpdaterFixture& f, const std::string& cell) {
  if (cell.starts_with("ACT\\"))
    return f.act() + cell.substr(4);
  return cell.starts_with("FD\\") ? f.fendal() + cell.substr(3) : cell;
}

std::vector<Row> expand(const UpdaterFixture& f, std::vector<Row> rows) {
  for (Row& row : rows)
    std::transform(row.begin(), row.end(), row.begin(),
                   [&](const std::string& cell) { return expand(f, cell); });
  return rows;
}

struct DiscoveryCase {
  std::string name;
  std::vector<std::string> files;    // written in the updater's folder
  std::vector<std::string> folders;  // made there (extracted packages)
  std::vector<Row> expected;         // the package grid, with ACT\ and FD\ as above
};

void PrintTo(const DiscoveryCase& c, std::ostream* out) {
  *out << c.name;
}

class Discovery : public ::testing::TestWithParam<DiscoveryCase> {};

// Names are listed from the system's own folder listing; "*.rar" matches whatever the letter
// case of the extension, and names outside ASCII come back whole.
TEST_P(Discovery, ListsSortsAndNumbersThePackagesAtStartUp) {
  UpdaterFixture f;
  for (const std::string& name : GetParam().files)
    f.writeFile(f.act() + name, "");
  for (const std::string& name : GetParam().folders)
    f.makeFolder(f.act() + name);
  const std::vector<Row> expected = expand(f, GetParam().expected);
  frmActualiza1& w = f.started();
  EXPECT_EQ(gridRows(w.flxRar), expected);
  EXPECT_EQ(w.cmdDes.Enabled(), !expected.empty());
  EXPECT_EQ(w.cmdAct.Enabled(), !expected.empty());
  // The start-up logs each package it lists after the heading, and shows no message of its own
  // (only the server's, if any).
  EXPECT_EQ(logTextsFrom(f, " Cargar Paquetes").size(), expected.size() + 1);
  EXPECT_LE(f.desktop.boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Discovery,
    ::testing::Values(
        DiscoveryCase{
            "SortedBySystemThenVersion",
            {"comercial_5_2_7_base.rar", "CRM_1_10_0_b.rar", "CRM_1_9_3_a.rar",
             "CONTABILIDAD_3_1_0_año.rar", "mayus.RAR", "leeme.txt", "CRM.rar.bak"},
            {"CRM_1_9_3_a", "viejo.rar"},
            {{"1", "comercial_5_2_7_base.rar", "COMERCIAL", "05.02.007", "FD\\Comercial\\",
              "ACT\\comercial_5_2_7_base\\"},
             {"2", "CONTABILIDAD_3_1_0_año.rar", "CONTABILIDAD", "03.01.000", "FD\\Contabilidad\\",
              "ACT\\CONTABILIDAD_3_1_0_año\\"},
             {"3", "CRM_1_9_3_a.rar", "CRM", "01.09.003", "FD\\CRM\\", "ACT\\CRM_1_9_3_a\\"},
             {"4", "CRM_1_10_0_b.rar", "CRM", "01.10.000", "FD\\CRM\\", "ACT\\CRM_1_10_0_b\\"},
             {"5", "mayus.RAR", "MAYUS.RAR", "..", "FD\\", "ACT\\mayus\\"}}},
        // The system's code is upper-cased letter by letter, Latin-1 letters included.
        DiscoveryCase{
            "NamesOutsideTheScheme",
            {"Crm_12_0_1234_x.rar", "señal_1_2_3_x.RAR", "COM_MEDIO_1_2_3_x.rar"},
            {},
            {{"1", "COM_MEDIO_1_2_3_x.rar", "COM", "MEDIO.01.002", "FD\\Comercial\\",
              "ACT\\COM_MEDIO_1_2_3_x\\"},
             {"2", "Crm_12_0_1234_x.rar", "CRM", "12.00.1234", "FD\\CRM\\",
              "ACT\\Crm_12_0_1234_x\\"},
             {"3", "señal_1_2_3_x.RAR", "SEÑAL", "01.02.003", "FD\\", "ACT\\señal_1_2_3_x\\"}}},
        DiscoveryCase{"NoPackage", {"leeme.txt"}, {"CRM_1_9_3_a"}, {}}),
    [](const auto& info) { return info.param.name; });

struct NameCase {
  std::string name;
  std::string sistema;
  std::string version;
  std::string aplicacion;  // with FD\ as above
};

class PackageNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(PackageNames, ReadsSystemAndVersionFromTheName) {
  UpdaterFixture f;
  f.writeFile(f.act() + GetParam().name, "");
  frmActualiza1& w = f.started();
  ASSERT_EQ(w.flxRar.Rows(), 2);
  EXPECT_EQ(w.flxRar.TextMatrix(1, kRarPackage), GetParam().name);
  EXPECT_EQ(w.flxRar.TextMatrix(1, kRarSystem), GetParam().sistema);
  EXPECT_EQ(w.flxRar.TextMatrix(1, kRarVersion), GetParam().version);
  EXPECT_EQ(w.flxRar.TextMatrix(1, kRarApplicationPath), expand(f, GetParam().aplicacion));
}

INSTANTIATE_TEST_SUITE_P(
    Names, PackageNames,
    ::testing::Values(NameCase{"COM_MEDIO_1_2_3_x.rar", "COM", "MEDIO.01.002", "FD\\Comercial\\"},
                      NameCase{"Crm_12_0_1234_x.rar", "CRM", "12.00.1234", "FD\\CRM\\"},
                      NameCase{"MRP_1_2_3.rar", "MRP", "01.02.3.rar", "FD\\MRP\\"},
                      NameCase{"VENTAS_1_2_3_x.rar", "VENTAS", "01.02.003", "FD\\"},
                      NameCase{"suelto.rar", "SUELTO.RAR", "..", "FD\\"},
                      NameCase{"CRM_1.rar", "CRM", "1.rar..", "FD\\CRM\\"},
                      NameCase{"mayus.RAR", "MAYUS.RAR", "..", "FD\\"}));

TEST(CargarPaquetes, AThreeDigitVersionSortsAsTextBeforeTwoDigits) {
  UpdaterFixture f;
  f.writeFile(f.act() + "CRM_99_0_0_a.rar", "");
  f.writeFile(f.act() + "CRM_100_0_0_a.rar", "");
  frmActualiza1& w = f.started();
  EXPECT_EQ(w.flxRar.TextMatrix(1, kRarVersion), "100.00.000");
  EXPECT_EQ(w.flxRar.TextMatrix(2, kRarVersion), "99.00.000");
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
