#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

using Row = std::vector<std::string>;

// Rows of a grid from column 1 on, without the dates, which depend on the files' times:
// file grid: name, source, destination, kind, full destination; script grid: name, source.
std::vector<Row> fileRows(const Grid& grid) {
  std::vector<Row> rows;
  for (int r = 1; r < grid.Rows(); ++r) {
    rows.push_back({grid.TextMatrix(r, 0), grid.TextMatrix(r, 1), grid.TextMatrix(r, 3),
                    grid.TextMatrix(r, 4), grid.TextMatrix(r, 5), grid.TextMatrix(r, 6)});
  }
  return rows;
}

std::vector<Row> scriptRows(const Grid& grid) {
  std::vector<Row> rows;
  for (int r = 1; r < grid.Rows(); ++r) {
    rows.push_back({grid.TextMatrix(r, 0), grid.TextMatrix(r, 1), grid.TextMatrix(r, 3),
                    grid.TextMatrix(r, 4), grid.TextMatrix(r, 5)});
  }
  return rows;
}

class ManifestReader : public ::testing::Test {
 protected:
  // Lists the packages at start-up; their folders are then filled as extraction would.
  void start(const std::vector<std::string>& packages) {
    f.prefix.makeFolder("C:\\Fendal\\Comercial");
    for (const auto& name : packages)
      f.prefix.writeFile("C:\\Act\\" + name + ".rar", "");
    ASSERT_TRUE(f.window().Form_Load());
  }
  void put(const std::string& package, const std::string& file, const std::string& content = "x",
           int ageSeconds = 100) {
    std::string path = "C:\\Act\\" + package + "\\" + file;
    f.prefix.writeFile(path, content);
    std::filesystem::last_write_time(
        f.prefix.host(path),
        std::filesystem::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
  }
  frmActualiza1& w() { return f.window(); }
  UpdaterFixture f;
};

TEST_F(ManifestReader, FileWithoutEntryGoesToTheApplicationFolderAndIsNotAScript) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\nComercial.exe=<Destino>\r\n");
  put("COMERCIAL_5_2_7_x", "Comercial.exe");
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  w().LeerFiles();
  const std::string tmp = "C:\\Act\\COMERCIAL_5_2_7_x\\";
  const std::string app = "C:\\Fendal\\Comercial\\";
  EXPECT_EQ(
      fileRows(w().flxFile),
      (std::vector<Row>{
          {"1", "01_alta.sql", tmp + "01_alta.sql", app, ".sql", app + "01_alta.sql"},
          {"2", "Comercial.exe", tmp + "Comercial.exe", app, ".exe", app + "Comercial.exe"}}));
  EXPECT_EQ(w().flxScrp.Rows(), 1);
  EXPECT_TRUE(w().cmdDes.Enabled());
  EXPECT_TRUE(w().cmdAct.Enabled());
}

TEST_F(ManifestReader, EmptyDestinationMakesScriptsAndCommandFiles) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "INFO.TXT",
      "[DESTINO]\r\n01_alta.sql=\r\nInstalar.cfd=\r\nlimpiar.bat=\r\n");
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  put("COMERCIAL_5_2_7_x", "Instalar.cfd");
  put("COMERCIAL_5_2_7_x", "limpiar.bat");
  w().LeerFiles();
  const std::string tmp = "C:\\Act\\COMERCIAL_5_2_7_x\\";
  EXPECT_EQ(scriptRows(w().flxScrp),
            (std::vector<Row>{{"1", "01_alta.sql", tmp + "01_alta.sql", "", ".sql"}}));
  EXPECT_EQ(
      fileRows(w().flxFile),
      (std::vector<Row>{{"1", "Instalar.cfd", tmp + "Instalar.cfd", "", ".cfd", "Instalar.cfd"},
                        {"2", "limpiar.bat", tmp + "limpiar.bat", "", ".bat", "limpiar.bat"}}));
}

struct DestinationCase {
  std::string name;
  std::string manifest;
  std::vector<std::string> destinations;  // of x.dll, sorted descending as the grid is
};

class Destinations : public ManifestReader,
                     public ::testing::WithParamInterface<DestinationCase> {};

TEST_P(Destinations, ResolvesThePlaceholdersOfEachEntry) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", GetParam().manifest);
  put("COMERCIAL_5_2_7_x", "x.dll");
  w().LeerFiles();
  std::vector<std::string> found;
  for (int r = 1; r < w().flxFile.Rows(); ++r)
    found.push_back(w().flxFile.TextMatrix(r, 4));
  EXPECT_EQ(found, GetParam().destinations);
}

INSTANTIATE_TEST_SUITE_P(
    Manifests, Destinations,
    ::testing::Values(
        DestinationCase{"TwoEntries",
                        "[Destino]\r\nx.dll=<Unidad>\\Fendal\\Comun\\\r\nx.dll=<Destino>Bin\\\r\n",
                        {"C:\\Fendal\\Comun\\", "C:\\Fendal\\Comercial\\Bin\\"}},
        DestinationCase{"DoubleBackslashCleaned",
                        "[Destino]\r\nx.dll=<Destino>\\Sub\\\r\n",
                        {"C:\\Fendal\\Comercial\\Sub\\"}},
        DestinationCase{"KeyInOtherCase", "[Destino]\r\nX.DLL=D:\\Otro\\\r\n", {"D:\\Otro\\"}},
        DestinationCase{
            "ExactlyDestino", "[destino]\r\nx.dll=<Destino>\r\n", {"C:\\Fendal\\Comercial\\"}},
        DestinationCase{
            "OtherSectionIgnored", "[Otra]\r\nx.dll=D:\\Otro\\\r\n", {"C:\\Fendal\\Comercial\\"}},
        DestinationCase{"SectionWithSpacesIgnored",
                        " [Destino] \r\nx.dll=D:\\Otro\\\r\n",
                        {"C:\\Fendal\\Comercial\\"}},
        DestinationCase{"EntriesAboveABadLineUsed",
                        "[Destino]\r\nx.dll=D:\\Otro\\\r\nmala linea\r\nx.dll=D:\\Mas\\\r\n",
                        {"D:\\Otro\\"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(ManifestReader, ReportGoesToTheCommonReportFolderOnlyWhenItIsThere) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\n");
  put("COMERCIAL_5_2_7_x", "r.rpt");
  put("COMERCIAL_5_2_7_x", "s.RPT");
  f.prefix.writeFile("C:\\Fendal\\RPT\\r.rpt", "old");
  w().LeerFiles();
  ASSERT_EQ(w().flxFile.Rows(), 3);
  EXPECT_EQ(w().flxFile.TextMatrix(1, 6), "C:\\Fendal\\RPT\\r.rpt");
  EXPECT_EQ(w().flxFile.TextMatrix(2, 6), "C:\\Fendal\\Comercial\\s.RPT");
}

TEST_F(ManifestReader, TheNewestOfTwoPackagesDeliveringOneFileWins) {
  start({"COMERCIAL_5_2_7_a", "COMERCIAL_5_2_8_b"});
  put("COMERCIAL_5_2_7_a", "info.txt", "");
  put("COMERCIAL_5_2_7_a", "Comercial.exe", "old", 1000);
  put("COMERCIAL_5_2_8_b", "info.txt", "");
  put("COMERCIAL_5_2_8_b", "comercial.EXE", "new", 10);
  w().LeerFiles();
  ASSERT_EQ(w().flxFile.Rows(), 2);
  EXPECT_EQ(w().flxFile.TextMatrix(1, 3), "C:\\Act\\COMERCIAL_5_2_8_b\\comercial.EXE");
}

TEST_F(ManifestReader, WithEqualDatesThePackageReadFirstStays) {
  start({"COMERCIAL_5_2_7_a", "COMERCIAL_5_2_8_b"});
  put("COMERCIAL_5_2_7_a", "info.txt", "");
  put("COMERCIAL_5_2_7_a", "Comercial.exe", "a", 100);
  put("COMERCIAL_5_2_8_b", "info.txt", "");
  put("COMERCIAL_5_2_8_b", "Comercial.exe", "b", 100);
  w().LeerFiles();
  ASSERT_EQ(w().flxFile.Rows(), 2);
  EXPECT_EQ(w().flxFile.TextMatrix(1, 3), "C:\\Act\\COMERCIAL_5_2_7_a\\Comercial.exe");
}

TEST_F(ManifestReader, ScriptsRunByPackageThenByName) {
  start({"CRM_1_9_3_a", "COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\n02_b.sql=\r\n01_a.sql=\r\n");
  put("COMERCIAL_5_2_7_x", "02_b.sql");
  put("COMERCIAL_5_2_7_x", "01_a.sql");
  put("CRM_1_9_3_a", "info.txt", "[Destino]\r\nzz.sql=\r\n");
  put("CRM_1_9_3_a", "zz.sql");
  w().LeerFiles();
  std::vector<std::string> order;
  for (int r = 1; r < w().flxScrp.Rows(); ++r)
    order.push_back(w().flxScrp.TextMatrix(r, 1));
  EXPECT_EQ(order, (std::vector<std::string>{"01_a.sql", "02_b.sql", "zz.sql"}));
  EXPECT_EQ(w().flxScrp.TextMatrix(3, 0), "3");
}

TEST_F(ManifestReader, PackageWithoutManifestCopiesEverythingAfterSixAttempts) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  w().LeerFiles();
  ASSERT_EQ(f.desktop.boxes.size(), 2u);  // the server's, then the manifest's
  EXPECT_EQ(f.desktop.boxes[1].prompt.find(
                "No se pudo leer el archivo C:\\Act\\COMERCIAL_5_2_7_x\\info.txt"),
            0u);
  EXPECT_EQ(f.clock.elapsed().count(), 50'000);
  ASSERT_EQ(w().flxFile.Rows(), 2);
  EXPECT_EQ(w().flxFile.TextMatrix(1, 4), "C:\\Fendal\\Comercial\\");
  EXPECT_EQ(w().flxScrp.Rows(), 1);
}

TEST_F(ManifestReader, LogsEveryPackageAndDestination) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\nLe\xF3n.dll=<Destino>Bin\\\r\n");
  put("COMERCIAL_5_2_7_x", "León.dll");
  w().LeerFiles();
  auto texts = f.logTexts();
  auto from = std::find(texts.begin(), texts.end(), " LeerFiles");
  ASSERT_NE(from, texts.end());
  EXPECT_EQ(std::vector<std::string>(from, texts.end()),
            (std::vector<std::string>{" LeerFiles", " C:\\Act\\COMERCIAL_5_2_7_x\\",
                                      " C:\\Fendal\\Comercial\\Bin\\León.dll"}));
}

// How the time grows with the number of files is measured by bench/ManifestBench.cpp.
TEST_F(ManifestReader, ManyFilesAreAllListedAndNumbered) {
  start({"COMERCIAL_5_2_7_x"});
  std::string manifest = "[Destino]\r\n";
  for (int i = 0; i < 300; ++i) {
    std::string name = "f" + std::to_string(i) + ".dll";
    manifest += name + "=<Destino>\r\n";
    put("COMERCIAL_5_2_7_x", name);
  }
  put("COMERCIAL_5_2_7_x", "info.txt", manifest);
  w().LeerFiles();
  EXPECT_EQ(w().flxFile.Rows(), 301);
  EXPECT_EQ(w().flxFile.TextMatrix(300, 0), "300");
}

}  // namespace
}  // namespace fd::test
