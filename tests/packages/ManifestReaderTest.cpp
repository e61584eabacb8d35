#include <gtest/gtest.h>

#include <chrono>

#include "PackageTestSupport.h"

namespace fd::test {
namespace {

// The rows of the file and script grids without the dates, which depend on the files' times.
std::vector<Row> fileRows(const Grid& grid) {
  return gridRows(grid, {kFileNumber, kFileName, kFileSource, kFileDestination, kFileKind,
                         kFileFullDestination});
}

std::vector<Row> scriptRows(const Grid& grid) {
  return gridRows(grid,
                  {kScriptNumber, kScriptName, kScriptSource, kScriptDestination, kScriptKind});
}

class ManifestReader : public ::testing::Test {
 protected:
  // Lists the packages at start-up; their folders are then filled as extraction would.
  void start(const std::vector<std::string>& packages) {
    for (const auto& name : packages)
      f.writeFile(f.act() + name + ".rar", "");
    f.started();
  }
  // Writes a file of an extracted package, as old as asked.
  void put(const std::string& package, const std::string& file, const std::string& content = "x",
           int ageSeconds = 100) {
    const std::string path = tmp(package) + file;
    f.writeFile(path, content);
    f.setAge(path, std::chrono::seconds(ageSeconds));
  }
  frmActualiza1& w() { return f.window(); }
  std::string tmp(const std::string& package) const { return f.act() + package + "\\"; }
  std::string comercial() const { return f.fendal() + "Comercial\\"; }
  UpdaterFixture f;
};

TEST_F(ManifestReader, FileWithoutEntryGoesToTheApplicationFolderAndIsNotAScript) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\nComercial.exe=<Destino>\r\n");
  put("COMERCIAL_5_2_7_x", "Comercial.exe");
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  w().LeerFiles();
  const std::string tmp = this->tmp("COMERCIAL_5_2_7_x");
  const std::string app = comercial();
  EXPECT_EQ(
      fileRows(w().flxFile),
      (std::vector<Row>{
          {"1", "01_alta.sql", tmp + "01_alta.sql", app, ".sql", app + "01_alta.sql"},
          {"2", "Comercial.exe", tmp + "Comercial.exe", app, ".exe", app + "Comercial.exe"}}));
  EXPECT_EQ(w().flxScrp.Rows(), 1);
  EXPECT_TRUE(w().cmdDes.Enabled());
  EXPECT_TRUE(w().cmdAct.Enabled());
  // Each file's date is the system's own time of the file, in the grid's date form.
  EXPECT_FALSE(w().flxFile.TextMatrix(1, kFileDate).empty());
}

TEST_F(ManifestReader, EmptyDestinationMakesScriptsAndCommandFiles) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "INFO.TXT",
      "[DESTINO]\r\n01_alta.sql=\r\nInstalar.cfd=\r\nlimpiar.bat=\r\n");
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  put("COMERCIAL_5_2_7_x", "Instalar.cfd");
  put("COMERCIAL_5_2_7_x", "limpiar.bat");
  w().LeerFiles();
  const std::string tmp = this->tmp("COMERCIAL_5_2_7_x");
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
  // Of x.dll, sorted descending as the grid is; "APP\" is the package's application folder
  // and "DRIVE" its drive. On Windows the application folder lies below the system's temporary
  // folder, so a folder at the drive's root must sort after "C:\users" and "C:\windows" to keep
  // its place ahead of it.
  std::vector<std::string> destinations;
};

void PrintTo(const DestinationCase& c, std::ostream* out) {
  *out << c.name;
}

class Destinations : public ManifestReader,
                     public ::testing::WithParamInterface<DestinationCase> {};

TEST_P(Destinations, ResolvesThePlaceholdersOfEachEntry) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", GetParam().manifest);
  put("COMERCIAL_5_2_7_x", "x.dll");
  w().LeerFiles();
  std::vector<std::string> expected;
  for (const std::string& d : GetParam().destinations) {
    if (d.starts_with("APP\\"))
      expected.push_back(comercial() + d.substr(4));
    else if (d.starts_with("DRIVE"))
      expected.push_back(comercial().substr(0, 2) + d.substr(5));
    else
      expected.push_back(d);
  }
  EXPECT_EQ(gridColumn(w().flxFile, kFileDestination), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Manifests, Destinations,
    ::testing::Values(
        DestinationCase{"TwoEntries",
                        "[Destino]\r\nx.dll=<Unidad>\\Zona\\Comun\\\r\nx.dll=<Destino>Bin\\\r\n",
                        {"DRIVE\\Zona\\Comun\\", "APP\\Bin\\"}},
        DestinationCase{
            "DoubleBackslashCleaned", "[Destino]\r\nx.dll=<Destino>\\Sub\\\r\n", {"APP\\Sub\\"}},
        DestinationCase{"KeyInOtherCase", "[Destino]\r\nX.DLL=D:\\Otro\\\r\n", {"D:\\Otro\\"}},
        DestinationCase{"ExactlyDestino", "[destino]\r\nx.dll=<Destino>\r\n", {"APP\\"}},
        DestinationCase{"OtherSectionIgnored", "[Otra]\r\nx.dll=D:\\Otro\\\r\n", {"APP\\"}},
        DestinationCase{
            "SectionWithSpacesIgnored", " [Destino] \r\nx.dll=D:\\Otro\\\r\n", {"APP\\"}},
        DestinationCase{"EntriesAboveABadLineUsed",
                        "[Destino]\r\nx.dll=D:\\Otro\\\r\nmala linea\r\nx.dll=D:\\Mas\\\r\n",
                        {"D:\\Otro\\"}},
        // A lone CR ends a line too, as manifests written on old systems have it.
        DestinationCase{"LoneCrLineEnds", "[Destino]\rx.dll=D:\\Otro\\\r", {"D:\\Otro\\"}}),
    [](const auto& info) { return info.param.name; });

// The common report folder lies at the root of the drive: on a host where the fixture's folder is
// not a drive of its own, writing it would reach outside the test's folder.
TEST_F(ManifestReader, ReportGoesToTheCommonReportFolderOnlyWhenItIsThere) {
  if (f.fendal() != f.fendal().substr(0, 2) + "\\Fendal\\") {
    GTEST_SKIP() << "the fixture's folder is not the root of a drive";
  }
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\n");
  put("COMERCIAL_5_2_7_x", "r.rpt");
  put("COMERCIAL_5_2_7_x", "s.RPT");
  f.writeFile(f.fendal() + "RPT\\r.rpt", "old");
  w().LeerFiles();
  ASSERT_EQ(w().flxFile.Rows(), 3);
  EXPECT_EQ(w().flxFile.TextMatrix(1, kFileFullDestination), f.fendal() + "RPT\\r.rpt");
  EXPECT_EQ(w().flxFile.TextMatrix(2, kFileFullDestination), comercial() + "s.RPT");
}

// Comercial.exe in a package read first, and under the given name in one read after it.
struct OverlapCase {
  std::string name;
  int firstAge, laterAge;  // seconds
  std::string laterName;
  std::string kept;  // below the updater's folder
};

class OneFileInTwoPackages : public ManifestReader,
                             public ::testing::WithParamInterface<OverlapCase> {};

TEST_P(OneFileInTwoPackages, KeepsTheNewestOrElseTheFirstRead) {
  start({"COMERCIAL_5_2_7_a", "COMERCIAL_5_2_8_b"});
  put("COMERCIAL_5_2_7_a", "info.txt", "");
  put("COMERCIAL_5_2_7_a", "Comercial.exe", "a", GetParam().firstAge);
  put("COMERCIAL_5_2_8_b", "info.txt", "");
  put("COMERCIAL_5_2_8_b", GetParam().laterName, "b", GetParam().laterAge);
  w().LeerFiles();
  ASSERT_EQ(w().flxFile.Rows(), 2);
  EXPECT_EQ(w().flxFile.TextMatrix(1, kFileSource), f.act() + GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(Dates, OneFileInTwoPackages,
                         ::testing::Values(OverlapCase{"TheNewestWins", 1000, 10, "comercial.EXE",
                                                       "COMERCIAL_5_2_8_b\\comercial.EXE"},
                                           OverlapCase{"WithEqualDatesTheFirstReadStays", 100, 100,
                                                       "Comercial.exe",
                                                       "COMERCIAL_5_2_7_a\\Comercial.exe"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ManifestReader, ScriptsRunByPackageThenByName) {
  start({"CRM_1_9_3_a", "COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\n02_b.sql=\r\n01_a.sql=\r\n");
  put("COMERCIAL_5_2_7_x", "02_b.sql");
  put("COMERCIAL_5_2_7_x", "01_a.sql");
  put("CRM_1_9_3_a", "info.txt", "[Destino]\r\nzz.sql=\r\n");
  put("CRM_1_9_3_a", "zz.sql");
  w().LeerFiles();
  EXPECT_EQ(gridColumn(w().flxScrp, kScriptName), (Row{"01_a.sql", "02_b.sql", "zz.sql"}));
  EXPECT_EQ(w().flxScrp.TextMatrix(3, 0), "3");
}

TEST_F(ManifestReader, PackageWithoutManifestCopiesEverythingAfterSixAttempts) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  const std::size_t boxes = f.desktop.boxes.size();
  const auto before = f.clock.elapsed();
  w().LeerFiles();
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt.find("No se pudo leer el archivo " +
                                               tmp("COMERCIAL_5_2_7_x") + "info.txt"),
            0u);
  EXPECT_EQ((f.clock.elapsed() - before).count(), 50'000);
  ASSERT_EQ(w().flxFile.Rows(), 2);
  EXPECT_EQ(w().flxFile.TextMatrix(1, kFileDestination), comercial());
  EXPECT_EQ(w().flxScrp.Rows(), 1);
}

// The manifest is ANSI text while the folder lists names in UTF-8 (wide on Windows): both meet
// as the same UTF-8.
TEST_F(ManifestReader, LogsEveryPackageAndDestination) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt",
      "[Destino]\r\nLe\xF3n.dll=<Destino>Bin\\\r\nPrecio\x80.rpt=<Destino>Informes\\\r\n");
  put("COMERCIAL_5_2_7_x", "León.dll");
  put("COMERCIAL_5_2_7_x", "Precio€.rpt");
  w().LeerFiles();
  EXPECT_EQ(logTextsFrom(f, " LeerFiles"),
            (std::vector<std::string>{" LeerFiles", " " + tmp("COMERCIAL_5_2_7_x"),
                                      " " + comercial() + "Bin\\León.dll",
                                      " " + comercial() + "Informes\\Precio€.rpt"}));
  ASSERT_EQ(w().flxFile.Rows(), 3);
  EXPECT_EQ(w().flxFile.TextMatrix(1, kFileName), "Precio€.rpt");
  EXPECT_EQ(w().flxFile.TextMatrix(2, kFileFullDestination), comercial() + "Bin\\León.dll");
}

// A tab would shift a row's columns and a quote would reach a command line. Windows refuses to
// make such names, so there is nothing to check there. The extraction refuses such a package.
TEST_F(ManifestReader, NamesWindowsWouldRefuseArePassedOverAndLogged) {
  const std::string tmp = this->tmp("COMERCIAL_5_2_7_x");
  try {
    for (const char* name : {"CRM\t1_0_0", "CRM\" -y \"_1_0_0"}) {
      f.writeFile(f.act() + name + ".rar", "");
      f.writeFile(tmp + name + ".sql", "x");
    }
  } catch (const std::exception&) {
    GTEST_SKIP() << "the host refuses such names itself";
  }
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\nComercial.exe=<Destino>\r\n");
  put("COMERCIAL_5_2_7_x", "Comercial.exe");
  w().LeerFiles();
  ASSERT_EQ(w().flxRar.Rows(), 4);
  ASSERT_EQ(w().flxFile.Rows(), 2);
  EXPECT_EQ(w().flxFile.TextMatrix(1, kFileName), "Comercial.exe");
  for (const std::string& line :
       {std::string(" CRM?1_0_0.rar"), " Se omite el archivo " + tmp + "CRM?1_0_0.sql" +
                                           ": su nombre tiene caracteres que Windows no admite"})
    EXPECT_TRUE(f.logHas(line)) << line;
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
